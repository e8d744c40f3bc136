// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"

#include "app/ActivationPolicy.h"
#include "l10n/L10n.h"
#include "store/AppSettings.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QVBoxLayout>

MainWindow::MainWindow(AppSettings& settings, ActivationPolicy& policy, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_settings(settings)
    , m_policy(policy) {
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Vantrel"));
    setFixedSize(contentWidth, contentHeight);
    setAttribute(Qt::WA_QuitOnClose, false);

    // Until the sticker list lands here, the window says only what it is.
    auto* layout = new QVBoxLayout(this);
    m_title = new QLabel(this);
    m_title->setAlignment(Qt::AlignCenter);
    QFont font = m_title->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    font.setBold(true);
    m_title->setFont(font);
    layout->addWidget(m_title);

    // The quit command has this fixed label in both languages.
    auto* quit = new QAction(QStringLiteral("Quit Vantrel"), this);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setShortcutContext(Qt::WindowShortcut);
    // exit(), not quit(): quit() would ask this window to close, and it only hides.
    connect(quit, &QAction::triggered, qApp, [] { QCoreApplication::exit(0); });
    addAction(quit);

    connect(&m_settings, &AppSettings::languageChanged, this, &MainWindow::retranslate);
    retranslate();
}

void MainWindow::retranslate() {
    m_title->setText(L10n::text(L10n::Key::appName, m_settings.language()));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
    m_policy.setAccessory();
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Q_EMIT contentShown();
}
