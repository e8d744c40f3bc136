// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MenuBarView.h"

#include "app/MainWindowOpener.h"
#include "l10n/L10n.h"
#include "store/AppSettings.h"
#include "store/StickerStore.h"
#include "ui/InterfaceStyle.h"
#include "ui/MenuBarButton.h"
#include "ui/MenuBarStickerRow.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

MenuBarView::MenuBarView(StickerStore& store, AppSettings& settings, MainWindowOpener& opener,
                         QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint)
    , m_store(store)
    , m_settings(settings) {
    setFixedWidth(panelWidth);
    // Never shown: it names the popup for window lists and tests.
    setWindowTitle(QStringLiteral("Vantrel panel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->setSpacing(4);

    m_header = new QLabel(this);
    QFont headerFont = m_header->font();
    headerFont.setPointSizeF(14);
    headerFont.setBold(true);
    m_header->setFont(headerFont);
    m_header->setContentsMargins(12, 12, 12, 4);
    layout->addWidget(m_header);
    layout->addWidget(InterfaceStyle::divider(this));

    m_hide =
        new MenuBarButton(QStringLiteral("eye-fill"), QString(), QColor(0x0a, 0x84, 0xff), this);
    m_center =
        new MenuBarButton(QStringLiteral("bullseye"), QString(), QColor(0xff, 0x95, 0x00), this);
    m_lock =
        new MenuBarButton(QStringLiteral("unlock-fill"), QString(), QColor(0xaf, 0x52, 0xde), this);
    layout->addWidget(m_hide);
    layout->addWidget(m_center);
    layout->addWidget(m_lock);
    layout->addWidget(InterfaceStyle::divider(this));

    m_empty = new QLabel(this);
    QFont emptyFont = m_empty->font();
    emptyFont.setPointSizeF(12);
    m_empty->setFont(emptyFont);
    m_empty->setForegroundRole(QPalette::PlaceholderText);
    m_empty->setContentsMargins(12, 8, 12, 8);
    layout->addWidget(m_empty);
    // Only the sticker rows scroll: the commands above and below them stay in view.
    m_rowsArea = new QScrollArea(this);
    m_rowsArea->setWidgetResizable(true);
    m_rowsArea->setFrameShape(QFrame::NoFrame);
    m_rowsArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The keyboard goes through the rows' toggles, not the area around them.
    m_rowsArea->setFocusPolicy(Qt::NoFocus);
    m_rows = new QWidget(m_rowsArea);
    m_rowLayout = new QVBoxLayout(m_rows);
    m_rowLayout->setContentsMargins(0, 0, 0, 0);
    m_rowLayout->setSpacing(0);
    m_rowsArea->setWidget(m_rows);
    layout->addWidget(m_rowsArea);
    layout->addWidget(InterfaceStyle::divider(this));

    m_open = new MenuBarButton(QStringLiteral("window"), QString(), QColor(0xff, 0x2d, 0x55), this);
    m_quit =
        new MenuBarButton(QStringLiteral("x-circle"), QString(), QColor(0xff, 0x3b, 0x30), this);
    layout->addWidget(m_open);
    layout->addWidget(m_quit);

    connect(m_hide, &MenuBarButton::clicked, this, [this] { m_store.toggleAllHidden(); });
    connect(m_center, &MenuBarButton::clicked, this, [this] { m_store.centerAll(); });
    connect(m_lock, &MenuBarButton::clicked, this, [this] { m_store.toggleAllLocked(); });
    connect(m_open, &MenuBarButton::clicked, this, [this, &opener] {
        hide();
        opener.openMainWindow();
    });
    // exit(), not quit(): quit() asks every window to close, and the main window only hides.
    connect(m_quit, &MenuBarButton::clicked, this, [] { QCoreApplication::exit(0); });
    connect(&m_store, &StickerStore::stickersChanged, this, &MenuBarView::rebuild);
    connect(&m_settings, &AppSettings::languageChanged, this, &MenuBarView::rebuild);
    rebuild();
}

void MenuBarView::rebuild() {
    // A hidden panel does no work; it catches up when it is shown.
    if (!isVisible()) {
        m_rebuildPending = true;
        return;
    }
    refresh();
}

void MenuBarView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_rebuildPending)
        refresh();
}

void MenuBarView::refresh() {
    m_rebuildPending = false;
    const AppLanguage language = m_settings.language();
    const QList<Sticker>& stickers = m_store.stickers();
    const auto text = [language](L10n::Key key) { return L10n::text(key, language); };
    const bool allHidden = std::all_of(stickers.cbegin(), stickers.cend(),
                                       [](const Sticker& s) { return s.isHidden; });
    const bool allLocked = std::all_of(stickers.cbegin(), stickers.cend(),
                                       [](const Sticker& s) { return s.isLocked; });

    m_header->setText(text(L10n::Key::appName));
    m_hide->setContent(allHidden ? QStringLiteral("eye-fill") : QStringLiteral("eye-slash-fill"),
                       text(allHidden ? L10n::Key::showAll : L10n::Key::hideAll));
    m_center->setContent(QStringLiteral("bullseye"), text(L10n::Key::centerAll));
    m_lock->setContent(allLocked ? QStringLiteral("unlock-fill") : QStringLiteral("lock-fill"),
                       text(allLocked ? L10n::Key::unlockAll : L10n::Key::lockAll));
    m_open->setContent(QStringLiteral("window"), text(L10n::Key::openApp));
    m_quit->setContent(QStringLiteral("x-circle"), text(L10n::Key::quit));
    m_empty->setText(text(L10n::Key::noStickers));
    m_empty->setVisible(stickers.isEmpty());

    // A row whose sticker is gone goes once the click that removed it is over.
    bool created = false;
    const QList<MenuBarStickerRow*> gone = m_rowsById.follow(
        stickers,
        [this, &created](const Sticker& sticker, int) {
            created = true;
            return new MenuBarStickerRow(m_store, sticker, m_rows);
        },
        [this, language](MenuBarStickerRow* row, const Sticker& sticker, int position) {
            row->setSticker(sticker, language);
            RowsById<MenuBarStickerRow>::place(*m_rowLayout, row, position);
        });
    for (MenuBarStickerRow* row : gone) {
        m_rowLayout->removeWidget(row);
        row->deleteLater();
    }
    // New rows join the end of the keyboard's order: open and quit go back behind them.
    if (created) {
        QWidget::setTabOrder(previousInFocusChain(), m_open);
        QWidget::setTabOrder(m_open, m_quit);
    }
    m_rowsArea->setVisible(!stickers.isEmpty());
    fitTo(m_screenArea.isValid() ? m_screenArea : availableArea(pos()));
}

QRect MenuBarView::availableArea(const QPoint& at) {
    const QScreen* screen = QGuiApplication::screenAt(at);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void MenuBarView::fitTo(const QRect& area) {
    m_screenArea = area;
    // The rows get what the screen leaves; the rest of the panel is always whole.
    m_rowsArea->setFixedHeight(0);
    const int others = layout()->sizeHint().height();
    const int rowsHeight = m_rows->sizeHint().height();
    const int room = area.isValid() ? area.height() - others : rowsHeight;
    m_rowsArea->setFixedHeight(
        std::clamp(room, std::min(rowsHeight, minimumRowsHeight), rowsHeight));
    adjustSize();
}

void MenuBarView::popUpNear(const QRect& anchor) {
    const QPoint at = anchor.isValid() ? anchor.bottomLeft() : QCursor::pos();
    const QRect area = availableArea(at);
    m_screenArea = area;
    refresh();
    QRect placed(at, size());
    if (area.isValid()) {
        // Above the icon when the tray sits at the bottom; always inside the screen.
        if (anchor.isValid() && placed.bottom() > area.bottom())
            placed.moveBottom(anchor.top());
        placed.moveLeft(std::clamp(placed.left(), area.left(),
                                   std::max(area.left(), area.right() - width() + 1)));
        placed.moveTop(std::clamp(placed.top(), area.top(),
                                  std::max(area.top(), area.bottom() - height() + 1)));
    }
    move(placed.topLeft());
    show();
    activateWindow();
}

void MenuBarView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}
