// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StickerRow.h"

#include "l10n/L10n.h"
#include "stickers/NotificationHub.h"
#include "ui/ElidedTexts.h"
#include "ui/IconFactory.h"
#include "ui/InterfaceStyle.h"
#include "ui/StickerThumbnailView.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace {

QColor faded(QColor color, float alpha) {
    color.setAlphaF(alpha);
    return color;
}

} // namespace

StickerRow::StickerRow(const Sticker& sticker, MediaCache& thumbnails, ElidedTexts& elidedTexts,
                       NotificationHub& hub, StickerReorderDropDelegate dropDelegate,
                       Actions actions, QWidget* parent)
    : QFrame(parent)
    , m_sticker(sticker)
    , m_elidedTexts(elidedTexts)
    , m_hub(hub)
    , m_dropDelegate(std::move(dropDelegate))
    , m_actions(std::move(actions)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);

    m_thumbnail = new StickerThumbnailView(thumbnails, this);
    m_thumbnail->setOutlined(true);
    layout->addWidget(m_thumbnail);

    m_texts = new QVBoxLayout;
    m_texts->setSpacing(2);
    m_name = new QLabel(this);
    m_name->setFont(InterfaceStyle::font(this, 13, QFont::Medium));
    m_name->setTextFormat(Qt::PlainText);
    // Long texts are cut instead of pushing the buttons out of the row.
    m_name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_name->setMinimumWidth(1);
    // The summary in two parts: the size changes at every slider step and is cheap to lay out;
    // the layer carries a colour emoji, whose glyph is costly to measure, and rarely changes.
    m_summary = InterfaceStyle::secondaryLabel(11, this);
    m_summaryLayer = InterfaceStyle::secondaryLabel(11, this);
    m_summaryLayer->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_summaryLayer->setMinimumWidth(1);
    auto* summaryLine = new QHBoxLayout;
    summaryLine->setSpacing(0);
    summaryLine->addWidget(m_summary);
    summaryLine->addWidget(m_summaryLayer, 1);
    m_texts->addWidget(m_name);
    m_texts->addLayout(summaryLine);
    layout->addLayout(m_texts, 1);

    m_handle = new QLabel(this);
    m_handle->setFixedSize(20, 28);
    m_handle->setAlignment(Qt::AlignCenter);
    m_handle->setPixmap(IconFactory::tinted(QStringLiteral("list"),
                                            faded(palette().color(QPalette::PlaceholderText), 0.5f),
                                            12)
                            .pixmap(QSize(12, 12), devicePixelRatioF()));
    m_handle->setCursor(Qt::OpenHandCursor);
    m_handle->installEventFilter(this);
    m_center = InterfaceStyle::iconButton(QStringLiteral("bullseye"),
                                          faded(InterfaceStyle::blue, 0.7f), 14, this);
    m_delete = InterfaceStyle::iconButton(QStringLiteral("trash"), faded(InterfaceStyle::red, 0.7f),
                                          14, this);
    layout->addWidget(m_handle);
    layout->addWidget(m_center);
    layout->addWidget(m_delete);
    connect(m_center, &QToolButton::clicked, this, [this] { m_actions.onCenter(); });
    connect(m_delete, &QToolButton::clicked, this, [this] { m_actions.onDelete(); });
    setCursor(Qt::PointingHandCursor);
    setAcceptDrops(true);
}

void StickerRow::showSize(const QString& text) {
    const QString shown = m_summary->text();
    if (text == shown)
        return;
    // A label of a fixed size takes a new text without laying out its row, and with it the
    // whole list, again: it is as wide as the text with every digit the widest one, so it is
    // measured again only for another number of digits.
    if (text.size() != shown.size() || m_summary->minimumSize() != m_summary->maximumSize()) {
        const QFontMetrics metrics = m_summary->fontMetrics();
        QChar widest = u'0';
        for (char16_t digit = u'1'; digit <= u'9'; ++digit) {
            if (metrics.horizontalAdvance(QChar(digit)) > metrics.horizontalAdvance(widest))
                widest = QChar(digit);
        }
        QString widestText = text;
        for (QChar& character : widestText) {
            if (character.isDigit())
                character = widest;
        }
        m_summary->setFixedSize(
            metrics.boundingRect(QRect(), Qt::TextSingleLine, widestText).size());
    }
    m_summary->setText(text);
}

void StickerRow::setState(const Sticker& sticker, bool isSelected, bool isDragging,
                          AppLanguage language) {
    const bool relabel = !m_language || *m_language != language;
    // The list hands every row its state at every change: most rows have nothing to do.
    if (!relabel && sticker == m_sticker && isSelected == m_selected && isDragging == m_dragging)
        return;
    if (relabel) {
        m_language = language;
        m_handle->setToolTip(L10n::text(L10n::Key::dragReorderHelp, language));
        m_center->setToolTip(L10n::text(L10n::Key::centerHelp, language));
        if (m_editor)
            m_editor->setPlaceholderText(L10n::text(L10n::Key::name, language));
    }
    m_thumbnail->setPath(sticker.gifPath);
    m_thumbnail->setBadge(badgeFor(sticker));
    QString name = sticker.displayName();
    // Measuring text is the costly part: only a text that changed is cut again.
    if (name != m_fullName) {
        m_fullName = std::move(name);
        showName();
    }
    showSize(sizeText(sticker));
    QString layer = layerText(sticker, language);
    if (layer != m_fullLayer) {
        m_fullLayer = std::move(layer);
        showLayer();
    }
    m_sticker = sticker;
    m_dropDelegate.setSticker(sticker);
    if (isSelected != m_selected) {
        m_selected = isSelected;
        update();
    }
    if (isDragging != m_dragging) {
        m_dragging = isDragging;
        if (isDragging) {
            auto* dimmed = new QGraphicsOpacityEffect(this);
            dimmed->setOpacity(0.5);
            setGraphicsEffect(dimmed);
        } else {
            setGraphicsEffect(nullptr);
        }
    }
}

QString StickerRow::summary(const Sticker& sticker, AppLanguage language) {
    return sizeText(sticker) + layerText(sticker, language);
}

QString StickerRow::sizeText(const Sticker& sticker) {
    const double size = std::isfinite(sticker.size) ? std::trunc(sticker.size) : 0;
    return QStringLiteral("%1px \u00B7 ").arg(QString::number(size, 'f', 0));
}

QString StickerRow::layerText(const Sticker& sticker, AppLanguage language) {
    return L10n::text(sticker.layer == StickerLayer::floating ? L10n::Key::layerFloating
                                                              : L10n::Key::layerDesktop,
                      language);
}

QString StickerRow::badgeFor(const Sticker& sticker) {
    if (sticker.isLocked)
        return QStringLiteral("lock-fill");
    if (sticker.isHidden)
        return QStringLiteral("eye-slash-fill");
    return QString();
}

std::unique_ptr<QMimeData> StickerRow::dragData(const Sticker& sticker) {
    auto data = std::make_unique<QMimeData>();
    data->setText(sticker.idText());
    return data;
}

QString StickerRow::nameText() const {
    return m_fullName;
}

void StickerRow::showName() {
    // Texts are cut once the list has given the row its width, not before.
    if (!m_laidOut)
        return;
    ++m_textMeasures;
    m_name->setText(m_name->fontMetrics().elidedText(m_fullName, Qt::ElideMiddle, m_name->width()));
    m_name->setToolTip(m_name->text() == m_fullName ? QString() : m_fullName);
}

void StickerRow::showLayer() {
    if (!m_laidOut)
        return;
    ++m_textMeasures;
    m_summaryLayer->setText(m_elidedTexts.elided(m_fullLayer, m_summaryLayer->font(),
                                                 Qt::ElideRight, m_summaryLayer->width()));
}

void StickerRow::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    if (!m_laidOut || event->size().width() != event->oldSize().width()) {
        m_laidOut = true;
        showName();
        showLayer();
    }
}

QString StickerRow::summaryText() const {
    return m_summary->text() + m_summaryLayer->text();
}

QLineEdit* StickerRow::editor() {
    // Made at the first rename: a list of hundreds of rows is built without hundreds of editors.
    if (!m_editor) {
        m_editor = new QLineEdit(this);
        m_editor->setFont(m_name->font());
        m_editor->setFrame(false);
        m_editor->setPlaceholderText(
            L10n::text(L10n::Key::name, m_language.value_or(AppLanguage::ru)));
        m_editor->installEventFilter(this);
        m_texts->insertWidget(1, m_editor);
    }
    return m_editor;
}

void StickerRow::startRenaming() {
    editor()->setText(m_sticker.name);
    m_name->hide();
    m_editor->show();
    m_editor->setFocus();
    m_editor->selectAll();
}

void StickerRow::finishRenaming(bool post) {
    m_editor->hide();
    m_name->show();
    // The name goes out as typed, untrimmed; the main window turns it into a rename.
    if (post)
        m_hub.postStickerRename(m_sticker.id, m_editor->text());
}

bool StickerRow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_editor && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            finishRenaming(key != Qt::Key_Escape);
            return true;
        }
    }
    if (watched == m_handle && handleEvent(event))
        return true;
    return QFrame::eventFilter(watched, event);
}

// Only the handle drags; a press on it neither selects nor starts a rename.
bool StickerRow::handleEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        m_handlePress = static_cast<QMouseEvent*>(event)->position().toPoint();
        m_handle->setCursor(Qt::ClosedHandCursor);
        return true;
    case QEvent::MouseButtonRelease:
        m_handle->setCursor(Qt::OpenHandCursor);
        return true;
    case QEvent::MouseMove: {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (!(move->buttons() & Qt::LeftButton) ||
            (move->position().toPoint() - m_handlePress).manhattanLength() <
                QApplication::startDragDistance())
            return true;
        m_handle->setCursor(Qt::OpenHandCursor);
        m_actions.onDragStart();
        return true;
    }
    default:
        return false;
    }
}

// A drag the row does not take goes on to the window, which adds dropped pictures.
bool StickerRow::answerDrop(QDropEvent* event) const {
    const Qt::DropAction action = m_dropDelegate.dropUpdated();
    const bool taken = StickerReorderDropDelegate::validateDrop(*event->mimeData()) &&
                       event->possibleActions().testFlag(action);
    if (taken)
        event->setDropAction(action);
    event->setAccepted(taken);
    return taken;
}

void StickerRow::dragEnterEvent(QDragEnterEvent* event) {
    if (answerDrop(event))
        m_dropDelegate.dropEntered();
}

void StickerRow::dragMoveEvent(QDragMoveEvent* event) {
    answerDrop(event);
}

void StickerRow::dropEvent(QDropEvent* event) {
    if (answerDrop(event))
        event->setAccepted(m_dropDelegate.performDrop());
}

void StickerRow::mousePressEvent(QMouseEvent* event) {
    QFrame::mousePressEvent(event);
    m_actions.onSelect();
}

void StickerRow::mouseDoubleClickEvent(QMouseEvent* event) {
    QFrame::mouseDoubleClickEvent(event);
    startRenaming();
}

void StickerRow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), 10, 10);
    painter.fillPath(shape, m_selected ? faded(InterfaceStyle::pink, 0.1f)
                                       : palette().color(QPalette::Base));
    if (m_selected) {
        painter.setPen(QPen(InterfaceStyle::pink, 1.5));
        painter.drawPath(shape);
    }
    QFrame::paintEvent(event);
}
