// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ContentView.h"

#include "l10n/L10n.h"
#include "stickers/NotificationHub.h"
#include "store/AppSettings.h"
#include "store/StickerStore.h"
#include "ui/AppSettingsPanel.h"
#include "ui/FilePicker.h"
#include "ui/IconFactory.h"
#include "ui/InterfaceStyle.h"
#include "ui/OnboardingView.h"
#include "ui/StickerRow.h"
#include "ui/StickerSettingsPanel.h"

#include <QDrag>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// Around the rows: on their sides, above and below them, and between two of them.
constexpr int listMargin = 8;
constexpr int listPadding = 4;
constexpr int rowSpacing = 4;
// Rows built beyond each edge of the view, so that Tab finds a row to move into.
constexpr int rowsAhead = 2;

} // namespace

ContentView::ContentView(StickerStore& store, AppSettings& settings, NotificationHub& hub,
                         FilePicker& picker, std::shared_ptr<FrameBudget> budget, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_settings(settings)
    , m_hub(hub)
    , m_picker(picker)
    , m_dragRunner([](QDrag& drag) { drag.exec(Qt::MoveAction); })
    , m_thumbnails(std::move(budget), FrameStore::Coding::compressed) {
    setAcceptDrops(true);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_header = buildHeader();
    column->addWidget(m_header);
    column->addWidget(InterfaceStyle::divider(this));
    m_body = new QStackedWidget(this);
    m_body->addWidget(buildEmptyState());
    m_body->addWidget(buildListColumn());
    m_appSettings = new AppSettingsPanel(m_settings, m_body);
    m_body->addWidget(m_appSettings);
    column->addWidget(m_body, 1);

    connect(m_settingsButton, &QToolButton::clicked, this,
            [this] { setShowAppSettings(!m_showAppSettings); });
    connect(m_appSettings, &AppSettingsPanel::closeRequested, this,
            [this] { setShowAppSettings(false); });
    connect(m_panel, &StickerSettingsPanel::closeRequested, this, [this] { select(std::nullopt); });
    connect(m_add, &QPushButton::clicked, this, &ContentView::addFromFile);
    connect(m_pick, &QPushButton::clicked, this, &ContentView::addFromFile);
    connect(&m_store, &StickerStore::stickersChanged, this, &ContentView::rebuild);
    connect(&m_settings, &AppSettings::languageChanged, this, &ContentView::retranslate);
    connect(&m_settings, &AppSettings::hasCompletedOnboardingChanged, this,
            &ContentView::showOnboardingWhileNeeded);
    // Renames run on the next turn, after the row that asked has finished its event.
    connect(&m_hub, &NotificationHub::stickerRename, this,
            [this](const QUuid& id, const QString& name) {
                QTimer::singleShot(0, this, [this, id, name] { m_store.renameSticker(id, name); });
            });
    retranslate();
    showOnboardingWhileNeeded();
}

QWidget* ContentView::buildHeader() {
    auto* header = new QWidget(this);
    header->setBackgroundRole(QPalette::Window);
    header->setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(16, 16, 16, 16);
    m_title = new QLabel(header);
    m_title->setFont(InterfaceStyle::font(m_title, 18, QFont::Bold));
    layout->addWidget(m_title);
    layout->addStretch(1);
    m_settingsButton = InterfaceStyle::iconButton(
        QStringLiteral("gear-fill"), palette().color(QPalette::WindowText), 14, header);
    layout->addWidget(m_settingsButton);
    m_add = InterfaceStyle::prominentButton(header);
    m_add->setFont(InterfaceStyle::font(header, 13, QFont::Medium));
    m_add->setIcon(IconFactory::tinted(QStringLiteral("plus-circle-fill"), Qt::white, 14));
    layout->addWidget(m_add);
    return header;
}

QWidget* ContentView::buildEmptyState() {
    auto* empty = new QWidget(this);
    auto* layout = new QVBoxLayout(empty);
    layout->setSpacing(12);
    layout->addStretch(1);
    layout->addWidget(InterfaceStyle::applicationPicture(64, 14, 0.3f, 8, empty), 0,
                      Qt::AlignHCenter);
    m_emptyTitle = InterfaceStyle::secondaryLabel(14, empty);
    m_emptyTitle->setAlignment(Qt::AlignCenter);
    // The Russian text is wider than the window.
    m_emptyTitle->setWordWrap(true);
    layout->addWidget(m_emptyTitle);
    m_pick = InterfaceStyle::prominentButton(empty);
    layout->addWidget(m_pick, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    return empty;
}

QWidget* ContentView::buildListColumn() {
    auto* listColumn = new QWidget(this);
    auto* layout = new QVBoxLayout(listColumn);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_scroll = new QScrollArea(listColumn);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The list takes the room the settings panel leaves, never the other way round.
    m_scroll->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    // The rows are placed by hand, each as it comes into view: the list opens as fast with
    // hundreds of stickers as with a few.
    m_list = new QWidget(m_scroll);
    m_scroll->setWidget(m_list);
    m_scroll->viewport()->installEventFilter(this);
    connect(m_scroll->verticalScrollBar(), &QScrollBar::valueChanged, this, &ContentView::scrolled);
    layout->addWidget(m_scroll, 1);
    m_panelDivider = InterfaceStyle::divider(listColumn);
    layout->addWidget(m_panelDivider);
    m_panelFrame = new QWidget(listColumn);
    auto* panelLayout = new QVBoxLayout(m_panelFrame);
    panelLayout->setContentsMargins(16, 16, 16, 16);
    m_panel = new StickerSettingsPanel(m_store, m_settings, m_picker, m_thumbnails, m_panelFrame);
    panelLayout->addWidget(m_panel);
    layout->addWidget(m_panelFrame);
    m_panelDivider->hide();
    m_panelFrame->hide();
    return listColumn;
}

void ContentView::retranslate() {
    const AppLanguage language = m_settings.language();
    m_title->setText(L10n::text(L10n::Key::appName, language));
    m_settingsButton->setToolTip(L10n::text(L10n::Key::settings, language));
    m_add->setText(L10n::text(L10n::Key::add, language));
    m_emptyTitle->setText(L10n::text(L10n::Key::emptyTitle, language));
    m_pick->setText(L10n::text(L10n::Key::pickFile, language));
    rebuild();
}

void ContentView::showOnboardingWhileNeeded() {
    const bool done = m_settings.hasCompletedOnboarding();
    // The covered controls take neither focus nor keys while the screen lies over them.
    m_header->setEnabled(done);
    m_body->setEnabled(done);
    if (done) {
        // The continue click that got here is still running: the screen goes once it is over,
        // and leaves the focus chain now.
        if (m_onboarding) {
            m_onboarding->hide();
            m_onboarding->deleteLater();
        }
        m_onboarding = nullptr;
        return;
    }
    if (!m_onboarding) {
        m_onboarding = new OnboardingView(m_settings, this);
        m_onboarding->show();
        m_onboarding->setFocus();
    }
}

void ContentView::setShowAppSettings(bool show) {
    m_showAppSettings = show;
    rebuild();
}

void ContentView::addFromFile() {
    if (const std::optional<QString> picked = m_picker.pickPicture(window(), m_settings.language()))
        addPictures({*picked});
}

void ContentView::addPictures(const QStringList& paths) {
    for (const QString& path : paths) {
        const StoredCopy copy = m_store.storage().copyIntoStorage(
            path, m_store.storage().mediaDirectory(), QStringLiteral("gif"));
        // A failed copy adds nothing; the selection below still runs. The stored copy's name
        // means nothing to the user: the sticker takes the picked file's.
        if (copy)
            m_store.addSticker(copy.path, QFileInfo(path).completeBaseName());
    }
    QTimer::singleShot(selectAfterAddMs, this, [this] {
        const QList<Sticker>& stickers = m_store.stickers();
        select(stickers.isEmpty() ? std::nullopt : std::optional<QUuid>(stickers.last().id));
        if (stickers.isEmpty())
            return;
        // The panel the selection brings has taken its room: the new row shows above it.
        m_scroll->ensureVisible(0, rowTop(stickers.size() - 1) + m_rowHeight / 2, 0,
                                m_rowHeight / 2 + rowSpacing);
    });
}

void ContentView::select(const std::optional<QUuid>& id) {
    const bool changed = id != m_selected;
    m_selected = id;
    // The panel keeps its draft while the same sticker stays selected.
    if (changed && id)
        m_panel->setStickerId(*id);
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

QStringList ContentView::droppedPictures(const QMimeData& data) {
    QStringList paths;
    for (const QUrl& url : data.urls()) {
        const QString path = url.toLocalFile();
        if (url.isLocalFile() && DialogFilePicker::isPictureName(path) &&
            MediaStorage::isRegularFile(path))
            paths.append(path);
    }
    return paths;
}

bool ContentView::acceptsDrop(QDropEvent* event) const {
    // Files are copied in, never moved away from the file manager.
    const bool accepted = !m_onboarding && event->possibleActions().testFlag(Qt::CopyAction) &&
                          !droppedPictures(*event->mimeData()).isEmpty();
    if (accepted)
        event->setDropAction(Qt::CopyAction);
    event->setAccepted(accepted);
    return accepted;
}

void ContentView::dragEnterEvent(QDragEnterEvent* event) {
    acceptsDrop(event);
}

void ContentView::dragMoveEvent(QDragMoveEvent* event) {
    acceptsDrop(event);
}

void ContentView::dropEvent(QDropEvent* event) {
    if (!acceptsDrop(event))
        return;
    // The copies run after the drop has been answered, so the file manager never waits on them.
    QTimer::singleShot(0, this,
                       [this, paths = droppedPictures(*event->mimeData())] { addPictures(paths); });
}

bool ContentView::showsEmptyState() const {
    return m_body->currentIndex() == 0;
}

OnboardingView* ContentView::onboarding() const {
    return m_onboarding;
}

bool ContentView::showsAppSettings() const {
    return m_body->currentWidget() == m_appSettings;
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
    m_dragRunner(*drag);
    m_dragRunning = false;
    // A drag released outside the rows ends here too: no row stays dimmed.
    if (m_dragged)
        setDragged(std::nullopt);
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
    return new StickerRow(sticker, m_thumbnails, m_elidedTexts, m_hub,
                          StickerReorderDropDelegate(sticker, std::move(dragged), m_store),
                          std::move(actions), m_list);
}

bool ContentView::updateRow(const QUuid& id) {
    const QList<Sticker>& stickers = m_store.stickers();
    const auto sticker = std::ranges::find(stickers, id, &Sticker::id);
    if (sticker == stickers.end())
        return false;
    if (StickerRow* row = m_rows.value(id))
        row->setState(*sticker, m_selected == id, m_dragged == id, m_settings.language());
    return true;
}

void ContentView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_rebuildPending)
        rebuild();
}

bool ContentView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize)
        placeRows();
    return QWidget::eventFilter(watched, event);
}

int ContentView::rowTop(qsizetype position) const {
    return listPadding + static_cast<int>(position) * (m_rowHeight + rowSpacing);
}

bool ContentView::isNearView(qsizetype position) const {
    const int viewTop = m_scroll->verticalScrollBar()->value();
    const int ahead = rowsAhead * (m_rowHeight + rowSpacing);
    return rowTop(position) < viewTop + m_scroll->viewport()->height() + ahead &&
           rowTop(position) + m_rowHeight > viewTop - ahead;
}

// Rows once built stay where they are: the list is walked only when a row comes into view for
// the first time.
void ContentView::scrolled() {
    if (m_rowHeight == 0) {
        placeRows();
        return;
    }
    const QList<Sticker>& stickers = m_store.stickers();
    const int viewTop = m_scroll->verticalScrollBar()->value();
    // A few rows before the first one near the view, found without walking the list.
    const qsizetype from = std::max(0, viewTop / (m_rowHeight + rowSpacing) - rowsAhead - 1);
    for (qsizetype position = from; position < stickers.size(); ++position) {
        if (!isNearView(position)) {
            if (rowTop(position) > viewTop)
                return;
            continue;
        }
        if (!m_rows.value(stickers[position].id)) {
            placeRows();
            return;
        }
    }
}

// Rows are kept by id and updated in place: a slider step on one sticker touches no other row.
// A hidden window does no work; it catches up when it is shown.
void ContentView::rebuild(const QUuid& changedId) {
    if (!isVisible()) {
        m_rebuildPending = true;
        return;
    }
    if (!changedId.isNull() && !m_rebuildPending && updateRow(changedId))
        return;
    m_rebuildPending = false;
    const QList<Sticker>& stickers = m_store.stickers();
    QWidget* body = m_showAppSettings    ? m_appSettings
                    : stickers.isEmpty() ? m_body->widget(0)
                                         : m_body->widget(1);
    // The panel takes a fresh snapshot whenever it comes back into view.
    const bool panelReturns = m_selected && body == m_body->widget(1) && !m_panel->isVisible();
    m_body->setCurrentWidget(body);
    m_panelDivider->setVisible(m_selected.has_value());
    m_panelFrame->setVisible(m_selected.has_value());
    if (panelReturns && m_panel->isVisible())
        m_panel->setStickerId(*m_selected);
    placeRows();
}

// Only the rows in view, and a few beyond, are built, as they come into view, and then kept. The
// list is as tall as all the rows would be, so the scroll bar is right from the start.
void ContentView::placeRows() {
    if (!isVisible() || m_rebuildPending)
        return;
    const QList<Sticker>& stickers = m_store.stickers();
    const AppLanguage language = m_settings.language();
    const QWidget* view = m_scroll->viewport();
    bool chain = false;
    const QList<StickerRow*> gone = m_rows.follow(
        stickers,
        [&](const Sticker& sticker, int position) -> StickerRow* {
            // The first row built gives the height of every row.
            if (m_rowHeight > 0 && !isNearView(position))
                return nullptr;
            StickerRow* row = createRow(sticker);
            if (m_rowHeight == 0)
                m_rowHeight = row->sizeHint().height();
            chain = true;
            return row;
        },
        [&](StickerRow* row, const Sticker& sticker, int position) {
            row->setState(sticker, m_selected == sticker.id, m_dragged == sticker.id, language);
            const QRect place(listMargin, rowTop(position), view->width() - 2 * listMargin,
                              m_rowHeight);
            chain = chain || place.top() != row->y();
            row->setGeometry(place);
        });
    m_list->setMinimumHeight(rowTop(stickers.size()) - rowSpacing + listPadding);
    // Rows built late or moved take their place in the list in the keyboard's order too.
    if (chain) {
        QWidget* previous = nullptr;
        for (StickerRow* row : rows()) {
            if (previous)
                QWidget::setTabOrder(previous, row->centerButton());
            QWidget::setTabOrder(row->centerButton(), row->deleteButton());
            previous = row->deleteButton();
        }
    }
    // A row may leave the list from one of its own clicks: it goes once that is over.
    for (StickerRow* row : gone) {
        if (m_dragRunning)
            m_parkedRows.append(row);
        else
            row->deleteLater();
    }
}
