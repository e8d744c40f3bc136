// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StickerSettingsPanel.h"

#include "l10n/L10n.h"
#include "model/HexColor.h"
#include "store/AppSettings.h"
#include "store/StickerStore.h"
#include "ui/FilePicker.h"
#include "ui/IconFactory.h"
#include "ui/InterfaceStyle.h"
#include "ui/SegmentedControl.h"
#include "ui/StickerThumbnailView.h"
#include "ui/SwitchRow.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int labelWidth = 100;
constexpr int valueWidth = 42;

constexpr std::array layers{StickerLayer::desktop, StickerLayer::floating};
constexpr std::array styles{BGStyle::none, BGStyle::color, BGStyle::image};

template <typename Value, std::size_t count>
int segmentOf(const std::array<Value, count>& values, Value value) {
    return static_cast<int>(std::ranges::find(values, value) - values.begin());
}

template <typename Value, std::size_t count>
Value valueOf(const std::array<Value, count>& values, int segment) {
    return values.at(static_cast<std::size_t>(segment));
}

// A slider moves by whole indices; index i stands for (first + i × step) / unit, so every
// value it delivers lies on the step grid.
struct Scale {
    int first;
    int step;
    int last;
    double unit = 1;

    int steps() const { return (last - first) / step; }
    double value(int index) const { return (first + index * step) / unit; }
    int index(double amount) const {
        const long nearest = std::lround((amount * unit - first) / step);
        return static_cast<int>(std::clamp(nearest, 0L, static_cast<long>(steps())));
    }
};

constexpr Scale sizeScale{60, 10, 400};
constexpr Scale cornerScale{0, 4, 80};
constexpr Scale opacityScale{0, 5, 100, 100};

QString wholeText(double value) {
    return QString::number(std::trunc(value), 'f', 0);
}

// A complete "#RRGGBB" entry, the number sign optional.
std::optional<QColor> hexEntry(const QString& text) {
    static const QRegularExpression complete(QStringLiteral("^#?[0-9A-Fa-f]{6}$"));
    if (!complete.match(text).hasMatch())
        return std::nullopt;
    return parseHexColor(text);
}

QFont monospaced(double points) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(points);
    return font;
}

QIcon rowIcon(const QString& name, const QWidget* row) {
    return IconFactory::tinted(name, row->palette().color(QPalette::WindowText),
                               SwitchRow::iconSide);
}

QLabel* valueText(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFont(monospaced(11));
    // Wide enough for the longest value, so that the slider keeps its length while it moves;
    // of a fixed size, so that a new value lays out nothing around it.
    label->setFixedSize(
        std::max(valueWidth, label->fontMetrics().horizontalAdvance(QStringLiteral("400px"))),
        label->fontMetrics().height());
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// A labelled row: the label in the labels' column, the control, then a slider's value.
QHBoxLayout* labelledRow(QLabel* label, QWidget* control, QLabel* value = nullptr) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(label);
    row->addWidget(control, 1);
    if (value)
        row->addWidget(value);
    return row;
}

// A pink-filled slider that leaves the wheel to the panel unless it has the focus, so that
// scrolling over it never resizes the sticker by accident.
class StepSlider final : public QSlider {
public:
    StepSlider(const Scale& scale, QWidget* parent)
        : QSlider(Qt::Horizontal, parent) {
        setRange(0, scale.steps());
        setPageStep(1);
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::PointingHandCursor);
        setStyleSheet(
            QStringLiteral("QSlider::groove:horizontal { height: 4px; border-radius: 2px;"
                           " background: palette(mid); }"
                           "QSlider::sub-page:horizontal { border-radius: 2px; background: %1; }"
                           "QSlider::handle:horizontal { width: 14px; margin: -6px 0;"
                           " border-radius: 8px; background: white;"
                           " border: 1px solid rgba(0, 0, 0, 60); }"
                           "QSlider::handle:horizontal:hover,"
                           " QSlider::handle:horizontal:focus { border-color: %1; }")
                .arg(InterfaceStyle::pink.name()));
    }

protected:
    void wheelEvent(QWheelEvent* event) override {
        if (hasFocus())
            QSlider::wheelEvent(event);
        else
            event->ignore();
    }
};

} // namespace

template <typename Value>
void StickerSettingsPanel::edit(Value Sticker::*field, const std::type_identity_t<Value>& value) {
    // Controls set from a reloaded draft, or a segment chosen again, change nothing.
    if (m_loading || !m_draft || (*m_draft).*field == value)
        return;
    (*m_draft).*field = value;
    commitDraft();
}

StickerSettingsPanel::StickerSettingsPanel(StickerStore& store, AppSettings& settings,
                                           FilePicker& picker, MediaCache& thumbnails,
                                           QWidget* parent)
    : QScrollArea(parent)
    , m_store(store)
    , m_settings(settings)
    , m_picker(picker)
    , m_thumbnails(thumbnails) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMaximumHeight(maximumPanelHeight);
    // No taller than its content needs while the list beside it wants the room.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);

    auto* content = new QWidget(this);
    auto* contentLayout = new QVBoxLayout(content);
    // Room between the controls and the scroll bar.
    contentLayout->setContentsMargins(0, 0, 8, 0);
    // The same text in both languages: it is not in the string table.
    m_missing = InterfaceStyle::secondaryLabel(11, content);
    m_missing->setText(QStringLiteral("Sticker not found"));
    contentLayout->addWidget(m_missing);
    m_editor = new QWidget(content);
    contentLayout->addWidget(m_editor);
    contentLayout->addStretch(1);
    setWidget(content);

    auto* column = new QVBoxLayout(m_editor);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);

    const InterfaceStyle::PanelHeader header = InterfaceStyle::panelHeader(13, m_editor);
    m_title = header.title;
    m_close = header.close;
    column->addLayout(header.layout);

    m_nameLabel = InterfaceStyle::secondaryLabel(12, m_editor);
    m_name = new QLineEdit(m_editor);
    m_name->setFont(InterfaceStyle::font(m_editor, 12));
    InterfaceStyle::styleTextField(m_name);
    column->addLayout(labelledRow(m_nameLabel, m_name));

    m_sizeLabel = InterfaceStyle::secondaryLabel(12, m_editor);
    m_size = new StepSlider(sizeScale, m_editor);
    m_sizeText = valueText(m_editor);
    column->addLayout(labelledRow(m_sizeLabel, m_size, m_sizeText));

    m_cornersLabel = InterfaceStyle::secondaryLabel(12, m_editor);
    m_corners = new StepSlider(cornerScale, m_editor);
    m_cornersText = valueText(m_editor);
    column->addLayout(labelledRow(m_cornersLabel, m_corners, m_cornersText));

    column->addWidget(InterfaceStyle::divider(m_editor));
    m_layerCaption = InterfaceStyle::secondaryLabel(12, m_editor);
    column->addWidget(m_layerCaption);
    m_layer = new SegmentedControl(static_cast<int>(layers.size()), m_editor);
    column->addWidget(m_layer);

    column->addWidget(InterfaceStyle::divider(m_editor));
    m_backgroundCaption = InterfaceStyle::secondaryLabel(12, m_editor);
    column->addWidget(m_backgroundCaption);
    m_background = new SegmentedControl(static_cast<int>(styles.size()), m_editor);
    column->addWidget(m_background);

    m_opacityRow = new QWidget(m_editor);
    m_opacityLabel = InterfaceStyle::secondaryLabel(12, m_opacityRow);
    m_opacity = new StepSlider(opacityScale, m_opacityRow);
    m_opacityText = valueText(m_opacityRow);
    m_opacityRow->setLayout(labelledRow(m_opacityLabel, m_opacity, m_opacityText));
    column->addWidget(m_opacityRow);

    m_colorRow = new QWidget(m_editor);
    m_colorLabel = InterfaceStyle::secondaryLabel(12, m_colorRow);
    m_swatch = new QPushButton(m_colorRow);
    m_swatch->setFixedSize(44, 24);
    m_swatch->setCursor(Qt::PointingHandCursor);
    m_hex = new QLineEdit(m_colorRow);
    m_hex->setFont(monospaced(12));
    m_hex->setFixedWidth(96);
    m_hex->setMaxLength(7);
    m_hex->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("#?[0-9A-Fa-f]{0,6}")), m_hex));
    InterfaceStyle::styleTextField(m_hex);
    QHBoxLayout* colorLayout = labelledRow(m_colorLabel, m_swatch);
    colorLayout->setStretch(1, 0);
    colorLayout->addWidget(m_hex);
    colorLayout->addStretch(1);
    m_colorRow->setLayout(colorLayout);
    column->addWidget(m_colorRow);

    m_pictureRow = new QWidget(m_editor);
    auto* pictureLayout = new QHBoxLayout(m_pictureRow);
    pictureLayout->setContentsMargins(0, 0, 0, 0);
    pictureLayout->setSpacing(10);
    m_thumbnail = new StickerThumbnailView(m_thumbnails, m_pictureRow);
    pictureLayout->addWidget(m_thumbnail);
    m_pictureButton = InterfaceStyle::borderedButton(m_pictureRow);
    pictureLayout->addWidget(m_pictureButton);
    pictureLayout->addStretch(1);
    column->addWidget(m_pictureRow);

    m_lock = new SwitchRow(m_editor);
    m_lock->setIcon(rowIcon(QStringLiteral("lock-fill"), m_lock));
    column->addWidget(m_lock);
    m_hide = new SwitchRow(m_editor);
    column->addWidget(m_hide);

    connect(m_close, &QToolButton::clicked, this, &StickerSettingsPanel::closeRequested);
    connect(m_name, &QLineEdit::textEdited, this,
            [this](const QString& text) { edit(&Sticker::name, text); });
    connect(m_size, &QSlider::valueChanged, this, [this](int index) {
        edit(&Sticker::size, sizeScale.value(index));
        showValueTexts();
    });
    connect(m_corners, &QSlider::valueChanged, this, [this](int index) {
        edit(&Sticker::cornerRadius, cornerScale.value(index));
        showValueTexts();
    });
    connect(m_opacity, &QSlider::valueChanged, this, [this](int index) {
        edit(&Sticker::bgOpacity, opacityScale.value(index));
        showValueTexts();
    });
    connect(m_layer, &SegmentedControl::chosen, this,
            [this](int segment) { edit(&Sticker::layer, valueOf(layers, segment)); });
    connect(m_background, &SegmentedControl::chosen, this, [this](int segment) {
        edit(&Sticker::bgStyle, valueOf(styles, segment));
        showBackground();
    });
    connect(m_swatch, &QPushButton::clicked, this, &StickerSettingsPanel::openColorDialog);
    connect(m_hex, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (const std::optional<QColor> color = hexEntry(text))
            selectColor(*color);
    });
    connect(m_hex, &QLineEdit::editingFinished, this,
            [this] { m_hex->setText(formatHexColor(m_selectedColor)); });
    connect(m_pictureButton, &QPushButton::clicked, this, &StickerSettingsPanel::chooseBackground);
    connect(m_lock, &QAbstractButton::toggled, this,
            [this](bool on) { edit(&Sticker::isLocked, on); });
    connect(m_hide, &QAbstractButton::toggled, this, [this](bool on) {
        edit(&Sticker::isHidden, on);
        showHiddenIcon();
    });
    connect(&m_settings, &AppSettings::languageChanged, this, &StickerSettingsPanel::retranslate);

    retranslate();
    showDraft();
}

// Every call reloads, the id already shown included: the main window calls this when it shows
// the panel or selects a row, and a panel shown again starts from the store, as a new one would.
// The store's own changes never reload: the draft is a snapshot.
void StickerSettingsPanel::setStickerId(const QUuid& id) {
    m_stickerId = id;
    reloadDraft();
}

void StickerSettingsPanel::reloadDraft() {
    // The colour picker reports a change only while its row stays on screen through the
    // reload. A row that appears with the reload starts at its value: opening the panel commits
    // nothing, while selecting another sticker with a colour background of another colour does.
    const bool colorRowWasShown = m_colorRow->isVisible();
    const QColor previousColor = m_selectedColor;
    const QList<Sticker>& stickers = m_store.stickers();
    const auto found = std::ranges::find(stickers, m_stickerId, &Sticker::id);
    m_draft = found != stickers.end() ? std::optional<Sticker>(*found) : std::nullopt;
    if (m_draft)
        m_selectedColor = parseHexColor(m_draft->bgColor);
    showDraft();
    if (colorRowWasShown && m_colorRow->isVisible() && m_selectedColor != previousColor) {
        m_draft->bgColor = formatHexColor(m_selectedColor);
        commitDraft();
    }
}

void StickerSettingsPanel::commitDraft() {
    if (!m_draft)
        return;
    Sticker committed = *m_draft;
    const QList<Sticker>& stickers = m_store.stickers();
    const auto stored = std::ranges::find(stickers, committed.id, &Sticker::id);
    if (stored != stickers.end()) {
        committed.x = stored->x;
        committed.y = stored->y;
    }
    m_draft = committed;
    // The store is the context: an edit made just before the panel goes away still lands.
    StickerStore* store = &m_store;
    QTimer::singleShot(0, store, [store, committed] { store->updateSticker(committed); });
}

void StickerSettingsPanel::chooseBackground() {
    const std::optional<QString> picked = m_picker.pickBackground(window(), m_settings.language());
    if (!picked)
        return;
    const MediaStorage& storage = m_store.storage();
    const StoredCopy copy =
        storage.copyIntoStorage(*picked, storage.backgroundsDirectory(), QStringLiteral("png"));
    if (!copy)
        return;
    if (m_draft) {
        m_draft->bgImagePath = copy.path;
        m_draft->bgStyle = BGStyle::image;
    }
    showBackground();
    commitDraft();
}

void StickerSettingsPanel::openColorDialog() {
    // Without an alpha channel: the opacity slider owns the background's transparency.
    auto* dialog = new QColorDialog(m_selectedColor, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(L10n::text(L10n::Key::color, m_settings.language()));
    connect(dialog, &QColorDialog::colorSelected, this, &StickerSettingsPanel::selectColor);
    dialog->open();
}

void StickerSettingsPanel::selectColor(const QColor& color) {
    const QColor rgb = QColor::fromRgb(color.rgb());
    if (rgb == m_selectedColor)
        return;
    m_selectedColor = rgb;
    showSelectedColor();
    if (m_draft)
        m_draft->bgColor = formatHexColor(rgb);
    commitDraft();
}

// QScrollArea keeps the first size hint of its content; this one follows what is shown.
QSize StickerSettingsPanel::sizeHint() const {
    const QSize content = widget()->sizeHint();
    return {content.width() + verticalScrollBar()->sizeHint().width(),
            std::min(content.height(), maximumPanelHeight)};
}

void StickerSettingsPanel::showDraft() {
    m_missing->setVisible(!m_draft);
    m_editor->setVisible(m_draft.has_value());
    updateGeometry();
    if (!m_draft)
        return;
    m_loading = true;
    m_name->setText(m_draft->name);
    m_size->setValue(sizeScale.index(m_draft->size));
    m_corners->setValue(cornerScale.index(m_draft->cornerRadius));
    m_opacity->setValue(opacityScale.index(m_draft->bgOpacity));
    m_layer->setCurrent(segmentOf(layers, m_draft->layer));
    m_lock->setChecked(m_draft->isLocked);
    m_hide->setChecked(m_draft->isHidden);
    m_loading = false;
    showValueTexts();
    showBackground();
    showSelectedColor();
    showHiddenIcon();
}

void StickerSettingsPanel::showValueTexts() {
    if (!m_draft)
        return;
    m_sizeText->setText(wholeText(m_draft->size) + QStringLiteral("px"));
    m_cornersText->setText(wholeText(m_draft->cornerRadius));
    m_opacityText->setText(wholeText(m_draft->bgOpacity * 100) + QStringLiteral("%"));
}

void StickerSettingsPanel::showBackground() {
    const BGStyle style = m_draft ? m_draft->bgStyle : BGStyle::none;
    const QString path = m_draft ? m_draft->bgImagePath : QString();
    m_background->setCurrent(segmentOf(styles, style));
    m_opacityRow->setVisible(style != BGStyle::none);
    m_colorRow->setVisible(style == BGStyle::color);
    m_pictureRow->setVisible(style == BGStyle::image);
    m_thumbnail->setPath(path);
    m_pictureButton->setText(L10n::text(
        path.isEmpty() ? L10n::Key::pickBgImage : L10n::Key::changeBgImage, m_settings.language()));
    updateGeometry();
}

void StickerSettingsPanel::showSelectedColor() {
    m_swatch->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; border: 1px solid rgba(0, 0, 0, 50);"
                       " border-radius: 6px; }"
                       "QPushButton:hover, QPushButton:focus { border: 2px solid %2; }")
            .arg(m_selectedColor.name(), InterfaceStyle::pink.name()));
    // A complete entry being typed stays as typed; anything else shows the colour.
    if (hexEntry(m_hex->text()) != m_selectedColor)
        m_hex->setText(formatHexColor(m_selectedColor));
}

void StickerSettingsPanel::showHiddenIcon() {
    m_hideIconName = m_draft && m_draft->isHidden ? QStringLiteral("eye-slash-fill")
                                                  : QStringLiteral("eye-fill");
    m_hide->setIcon(rowIcon(m_hideIconName, m_hide));
}

void StickerSettingsPanel::retranslate() {
    const AppLanguage language = m_settings.language();
    const auto text = [language](L10n::Key key) { return L10n::text(key, language); };
    m_title->setText(text(L10n::Key::stickerSettings));
    m_nameLabel->setText(text(L10n::Key::name));
    m_name->setPlaceholderText(text(L10n::Key::stickerNamePlaceholder));
    m_sizeLabel->setText(text(L10n::Key::size));
    m_cornersLabel->setText(text(L10n::Key::corners));
    m_layerCaption->setText(text(L10n::Key::layer));
    m_layer->setSegmentText(segmentOf(layers, StickerLayer::desktop),
                            text(L10n::Key::layerDesktop));
    m_layer->setSegmentText(segmentOf(layers, StickerLayer::floating),
                            text(L10n::Key::layerFloating));
    m_backgroundCaption->setText(text(L10n::Key::background));
    m_background->setSegmentText(segmentOf(styles, BGStyle::none), text(L10n::Key::bgNone));
    m_background->setSegmentText(segmentOf(styles, BGStyle::color), text(L10n::Key::bgColor));
    m_background->setSegmentText(segmentOf(styles, BGStyle::image), text(L10n::Key::bgImage));
    m_opacityLabel->setText(text(L10n::Key::opacity));
    m_colorLabel->setText(text(L10n::Key::color));
    m_lock->setText(text(L10n::Key::lockDrag));
    m_hide->setText(text(L10n::Key::hideSticker));
    // One column for every row label, widened when a language's longest label needs it.
    const std::array rowLabels{m_nameLabel, m_sizeLabel, m_cornersLabel, m_opacityLabel,
                               m_colorLabel};
    int column = labelWidth;
    for (const QLabel* label : rowLabels)
        column = std::max(column, label->fontMetrics().horizontalAdvance(label->text()));
    for (QLabel* label : rowLabels)
        label->setFixedWidth(column);
    showBackground();
}
