// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class ActivationPolicy;

// The main window: fixed to its content's size, titled "Vantrel". Closing it hides it and
// makes Vantrel an accessory again; Ctrl+Q quits.
class MainWindow final : public QWidget {
    Q_OBJECT

public:
    static constexpr int contentWidth = 340;
    static constexpr int contentHeight = 540;

    // Takes content into the window.
    explicit MainWindow(ActivationPolicy& policy, QWidget* content = nullptr,
                        QWidget* parent = nullptr);

Q_SIGNALS:
    // The window's content is shown: the shell attaches the store then.
    void contentShown();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    ActivationPolicy& m_policy;
};
