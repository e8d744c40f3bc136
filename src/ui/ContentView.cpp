// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ContentView.h"

#include "l10n/L10n.h"
#include "stickers/NotificationHub.h"
#include "store/AppSettings.h"
#include "store/StickerStore.h"
#include "ui/FilePicker.h"
#include "ui/IconFactory.h"
#include "ui/InterfaceStyle.h"
#include "ui/StickerRow.h"

#include <QDrag>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The application's picture, 64 points, rounded.
QPixmap roundedAppPicture(qreal ratio) {
    const int side = static_cast<int>(64 * ratio);
    QPixmap picture(side, side);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(0, 0, side, side), 14 * ratio, 14 * ratio);
    painter.setClipPath(clip);
    IconFactory::applicationIcon().paint(&painter, QRect(0, 0, side, side));
    painter.end();
    picture.setDevicePixelRatio(ratio);
    return picture;
}

} // namespace

ContentView::ContentView(StickerStore& store, AppSettings& settings, NotificationHub& hub,
                         FilePicker& picker, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_settings(settings)
    , m_hub(hub)
    , m_picker(picker) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new QWidget(this);
    header->setBackgroundRole(QPalette::Window);
    header->setAutoFillBackground(true);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(16, 16, 16, 16);
    m_title = new QLabel(header);
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(18);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    headerLayout->addWidget(m_title);
    headerLayout->addStretch(1);
    m_add = InterfaceStyle::prominentButton(header);
    m_add->setIcon(IconFactory::tinted(QStringLiteral("plus-circle-fill"), Qt::white, 14));
    headerLayout->addWidget(m_add);
    column->addWidget(header);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setForegroundRole(QPalette::Mid);
    column->addWidget(divider);

    m_body = new QStackedWidget(this);
    auto* empty = new QWidget(m_body);
    auto* emptyLayout = new QVBoxLayout(empty);
    emptyLayout->setSpacing(12);
    emptyLayout->addStretch(1);
    auto* picture = new QLabel(empty);
    picture->setPixmap(roundedAppPicture(devicePixelRatioF()));
    picture->setAlignment(Qt::AlignCenter);
    auto* shadow = new QGraphicsDropShadowEffect(picture);
    QColor shadowColor = InterfaceStyle::pink;
    shadowColor.setAlphaF(0.3f);
    shadow->setColor(shadowColor);
    shadow->setBlurRadius(16);
    shadow->setOffset(0, 4);
    picture->setGraphicsEffect(shadow);
    emptyLayout->addWidget(picture, 0, Qt::AlignHCenter);
    m_emptyTitle = new QLabel(empty);
    QFont emptyFont = m_emptyTitle->font();
    emptyFont.setPointSizeF(14);
    m_emptyTitle->setFont(emptyFont);
    m_emptyTitle->setForegroundRole(QPalette::PlaceholderText);
    m_emptyTitle->setAlignment(Qt::AlignCenter);
    emptyLayout->addWidget(m_emptyTitle);
    m_pick = InterfaceStyle::prominentButton(empty);
    emptyLayout->addWidget(m_pick, 0, Qt::AlignHCenter);
    emptyLayout->addStretch(1);
    m_body->addWidget(empty);

    m_scroll = new QScrollArea(m_body);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_list = new QWidget(m_scroll);
    m_listLayout = new QVBoxLayout(m_list);
    m_listLayout->setContentsMargins(8, 4, 8, 4);
    m_listLayout->setSpacing(4);
    m_listLayout->addStretch(1);
    m_scroll->setWidget(m_list);
    m_body->addWidget(m_scroll);
    column->addWidget(m_body, 1);

    connect(m_add, &QPushButton::clicked, this, &ContentView::addFromFile);
    connect(m_pick, &QPushButton::clicked, this, &ContentView::addFromFile);
    connect(&m_store, &StickerStore::stickersChanged, this, &ContentView::rebuild);
    connect(&m_settings, &AppSettings::languageChanged, this, &ContentView::retranslate);
    // Renames run on the next turn, after the row that asked has finished its event.
    connect(&m_hub, &NotificationHub::stickerRename, this,
            [this](const QUuid& id, const QString& name) {
                QTimer::singleShot(0, this, [this, id, name] { m_store.renameSticker(id, name); });
            });
    retranslate();
}

void ContentView::retranslate() {
    const AppLanguage language = m_settings.language();
    m_title->setText(L10n::text(L10n::Key::appName, language));
    m_add->setText(L10n::text(L10n::Key::add, language));
    m_emptyTitle->setText(L10n::text(L10n::Key::emptyTitle, language));
    m_pick->setText(L10n::text(L10n::Key::pickFile, language));
    rebuild();
}

void ContentView::addFromFile() {
    if (const std::optional<QString> picked =
            m_picker.pickPicture(window(), m_settings.language())) {
        const StoredCopy copy = m_store.storage().copyIntoStorage(
            *picked, m_store.storage().mediaDirectory(), QStringLiteral("gif"));
        // A failed copy adds nothing; the selection below still runs.
        if (copy)
            m_store.addSticker(copy.path);
    } else {
        return;
    }
    QTimer::singleShot(selectAfterAddMs, this, [this] {
        const QList<Sticker>& stickers = m_store.stickers();
        select(stickers.isEmpty() ? std::nullopt : std::optional<QUuid>(stickers.last().id));
    });
}

void ContentView::select(const std::optional<QUuid>& id) {
    m_selected = id;
    rebuild();
}

QList<StickerRow*> ContentView::rows() const {
    QList<StickerRow*> ordered;
    for (const Sticker& sticker : m_store.stickers()) {
        if (StickerRow* row = m_rows.value(sticker.id))
            ordered.append(row);
    }
    return ordered;
}

bool ContentView::showsEmptyState() const {
    return m_body->currentIndex() == 0;
}

void ContentView::setDragged(const std::optional<QUuid>& id) {
    m_dragged = id;
    rebuild();
}

void ContentView::runDrag(StickerRow* row) {
    setDragged(row->sticker().id);
    // Rows that leave the list meanwhile stay alive until the drag's own loop is over.
    m_dragRunning = true;
    auto* drag = new QDrag(row);
    drag->setMimeData(StickerRow::dragData(row->sticker()).release());
    const QPixmap preview = row->grab();
    drag->setPixmap(preview);
    drag->setHotSpot(row->dragHandle()->geometry().center());
    drag->exec(Qt::MoveAction);
    m_dragRunning = false;
    for (StickerRow* parked : std::exchange(m_parkedRows, {}))
        parked->deleteLater();
}

StickerRow* ContentView::createRow(const Sticker& sticker) {
    const QUuid id = sticker.id;
    StickerRow::Actions actions{
        [this, id] { select(id); },
        [this, id] {
            select(std::nullopt);
            m_store.removeSticker(id);
        },
        [this, id] { m_store.centerSticker(id); },
        [this, id] {
            if (StickerRow* row = m_rows.value(id))
                runDrag(row);
        },
    };
    DraggedStickerBinding dragged{
        [this] { return m_dragged; },
        [this](const std::optional<QUuid>& value) { setDragged(value); },
    };
    return new StickerRow(sticker, m_thumbnails, m_hub,
                          StickerReorderDropDelegate(sticker, std::move(dragged), m_store),
                          std::move(actions), m_list);
}

// Rows are kept by id and updated in place: a slider step on one sticker touches no other row.
void ContentView::rebuild() {
    const QList<Sticker>& stickers = m_store.stickers();
    m_body->setCurrentIndex(stickers.isEmpty() ? 0 : 1);
    QHash<QUuid, StickerRow*> kept;
    kept.reserve(stickers.size());
    const AppLanguage language = m_settings.language();
    int position = 0;
    for (const Sticker& sticker : stickers) {
        StickerRow* row = m_rows.take(sticker.id);
        if (!row) {
            row = createRow(sticker);
            // Children created after the window is shown are not shown with it.
            row->show();
        }
        row->setState(sticker, m_selected == sticker.id, m_dragged == sticker.id, language);
        if (m_listLayout->indexOf(row) != position) {
            m_listLayout->removeWidget(row);
            m_listLayout->insertWidget(position, row);
        }
        ++position;
        kept.insert(sticker.id, row);
    }
    // A row may leave the list from one of its own clicks: it goes once that is over.
    for (StickerRow* gone : std::as_const(m_rows)) {
        m_listLayout->removeWidget(gone);
        gone->hide();
        if (m_dragRunning)
            m_parkedRows.append(gone);
        else
            gone->deleteLater();
    }
    m_rows = std::move(kept);
}
