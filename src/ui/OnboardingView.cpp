// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/OnboardingView.h"

#include "l10n/L10n.h"
#include "store/AppSettings.h"
#include "ui/InterfaceStyle.h"
#include "ui/LanguageSegments.h"
#include "ui/SegmentedControl.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int pictureSide = 80;
constexpr int pictureRadius = 18;
constexpr int chooserWidth = 260;

} // namespace

OnboardingView::OnboardingView(AppSettings& settings, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(20);
    column->addStretch(1);

    m_picture = InterfaceStyle::applicationPicture(pictureSide, pictureRadius, 0.25f, 10, this);
    column->addWidget(m_picture, 0, Qt::AlignHCenter);

    // Both texts wrap: the Russian title is wider than a narrow window.
    m_title = new QLabel(this);
    m_title->setFont(InterfaceStyle::font(this, 20, QFont::Bold));
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setWordWrap(true);
    column->addWidget(m_title);
    m_subtitle = InterfaceStyle::secondaryLabel(13, this);
    m_subtitle->setAlignment(Qt::AlignCenter);
    m_subtitle->setWordWrap(true);
    column->addWidget(m_subtitle);

    auto* chooser = new QWidget(this);
    chooser->setFixedWidth(chooserWidth);
    auto* chooserLayout = new QVBoxLayout(chooser);
    chooserLayout->setContentsMargins(0, 0, 0, 0);
    chooserLayout->setSpacing(8);
    m_chooserCaption = InterfaceStyle::secondaryLabel(12, chooser);
    m_chooserCaption->setFont(InterfaceStyle::font(chooser, 12, QFont::DemiBold));
    chooserLayout->addWidget(m_chooserCaption);
    m_languages = LanguageSegments::create(chooser);
    m_languages->setCurrent(LanguageSegments::segmentOf(m_picked));
    chooserLayout->addWidget(m_languages);
    column->addWidget(chooser, 0, Qt::AlignHCenter);

    m_continue = InterfaceStyle::prominentButton(this);
    m_continue->setFont(InterfaceStyle::font(this, 13));
    m_continue->setMinimumWidth(chooserWidth / 2);
    column->addWidget(m_continue, 0, Qt::AlignHCenter);
    column->addStretch(1);

    connect(m_languages, &SegmentedControl::chosen, this, [this](int index) {
        m_picked = LanguageSegments::languageAt(index);
        retranslate();
    });
    connect(m_continue, &QPushButton::clicked, this, &OnboardingView::finish);
    retranslate();
    setFocusProxy(m_languages);

    if (parent) {
        setGeometry(parent->rect());
        raise();
        parent->installEventFilter(this);
    }
}

bool OnboardingView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget()) {
        if (event->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
        // A sibling created later would otherwise be stacked above.
        else if (event->type() == QEvent::ChildAdded)
            raise();
    }
    return QWidget::eventFilter(watched, event);
}

void OnboardingView::paintEvent(QPaintEvent*) {
    QColor background = palette().color(QPalette::Window);
    background.setAlphaF(0.97f);
    QPainter(this).fillRect(rect(), background);
}

void OnboardingView::retranslate() {
    const auto text = [this](L10n::Key key) { return L10n::text(key, m_picked); };
    m_title->setText(text(L10n::Key::welcomeTitle));
    m_subtitle->setText(text(L10n::Key::welcomeSubtitle));
    m_chooserCaption->setText(text(L10n::Key::chooseLanguage));
    m_continue->setText(text(L10n::Key::continueButton));
}

void OnboardingView::finish() {
    m_settings.setLanguage(m_picked);
    m_settings.setHasCompletedOnboarding(true);
}
