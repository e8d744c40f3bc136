// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ContentView.h"

#include "l10n/L10n.h"
#include "stickers/NotificationHub.h"
#include "store/AppSettings.h"
#include "store/StickerStore.h"
#include "ui/FilePicker.h"
#include "ui/IconFactory.h"
#include "ui/StickerRow.h"

#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QColor pink(0xff, 0x2d, 0x55);

QPushButton* prominentButton(QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; color: white; border: none;"
                       " border-radius: 6px; padding: 5px 12px; font-weight: 500; }"
                       "QPushButton:pressed { background: %2; }")
            .arg(pink.name(), pink.darker(120).name()));
    return button;
}

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
    m_add = prominentButton(header);
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
    QColor shadowColor = pink;
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
    m_pick = prominentButton(empty);
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
    QList<StickerRow*> live;
    for (StickerRow* row : m_list->findChildren<StickerRow*>(Qt::FindDirectChildrenOnly)) {
        if (!row->isHidden())
            live.append(row);
    }
    return live;
}

bool ContentView::showsEmptyState() const {
    return m_body->currentIndex() == 0;
}

void ContentView::rebuild() {
    const QList<Sticker>& stickers = m_store.stickers();
    m_body->setCurrentIndex(stickers.isEmpty() ? 0 : 1);
    // Rows may be rebuilt from one of their own clicks: old ones go once that is over.
    for (StickerRow* row : m_list->findChildren<StickerRow*>(Qt::FindDirectChildrenOnly)) {
        m_listLayout->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    const AppLanguage language = m_settings.language();
    int position = 0;
    for (const Sticker& sticker : stickers) {
        const QUuid id = sticker.id;
        StickerRow::Actions actions{
            [this, id] { select(id); },
            [this, id] {
                select(std::nullopt);
                m_store.removeSticker(id);
            },
            [this, id] { m_store.centerSticker(id); },
        };
        auto* row = new StickerRow(sticker, m_selected == id, language, m_thumbnails, m_hub,
                                   std::move(actions), m_list);
        m_listLayout->insertWidget(position++, row);
        // Children created after the window is shown are not shown with it.
        row->show();
    }
}
