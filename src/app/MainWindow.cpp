// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"

#include "app/ActivationPolicy.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QVBoxLayout>

MainWindow::MainWindow(ActivationPolicy& policy, QWidget* content, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_policy(policy) {
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Vantrel"));
    setFixedSize(contentWidth, contentHeight);
    setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (content)
        layout->addWidget(content);

    // The quit command has this fixed label in both languages.
    auto* quit = new QAction(QStringLiteral("Quit Vantrel"), this);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setShortcutContext(Qt::WindowShortcut);
    // exit(), not quit(): quit() would ask this window to close, and it only hides.
    connect(quit, &QAction::triggered, qApp, [] { QCoreApplication::exit(0); });
    addAction(quit);
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
