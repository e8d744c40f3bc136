// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AutostartEntry.h"

#include <QWidget>

class AppSettings;
class QLabel;
class QLineEdit;
class QScrollArea;
class QToolButton;
class SegmentedControl;
class SwitchRow;

// The app-wide settings, edited in place: the interface language and the menu-bar label,
// with a preview of what the tray shows, and the start at login. Every edit goes straight into
// the settings or the autostart entry.
class AppSettingsPanel final : public QWidget {
    Q_OBJECT

public:
    explicit AppSettingsPanel(AppSettings& settings, QWidget* parent = nullptr);

    QScrollArea* scrollArea() const { return m_scroll; }
    QLabel* titleLabel() const { return m_title; }
    QToolButton* closeButton() const { return m_close; }
    QLabel* languageCaption() const { return m_languageCaption; }
    SegmentedControl* languageControl() const { return m_languages; }
    QLabel* labelCaption() const { return m_labelCaption; }
    QLabel* labelHint() const { return m_labelHint; }
    QLineEdit* labelField() const { return m_labelField; }
    QLabel* previewCaption() const { return m_previewCaption; }
    // The label as the tray draws it, and the label's text.
    QLabel* previewIcon() const { return m_previewIcon; }
    QLabel* previewText() const { return m_previewText; }
    SwitchRow* startAtLoginSwitch() const { return m_startAtLogin; }

Q_SIGNALS:
    void closeRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void retranslate();
    void showLabel(const QString& label);

    AppSettings& m_settings;
    AutostartEntry m_autostart;
    QScrollArea* m_scroll = nullptr;
    QLabel* m_title = nullptr;
    QToolButton* m_close = nullptr;
    QLabel* m_languageCaption = nullptr;
    SegmentedControl* m_languages = nullptr;
    QLabel* m_labelCaption = nullptr;
    QLabel* m_labelHint = nullptr;
    QLineEdit* m_labelField = nullptr;
    QLabel* m_previewCaption = nullptr;
    QLabel* m_previewIcon = nullptr;
    QLabel* m_previewText = nullptr;
    SwitchRow* m_startAtLogin = nullptr;
};
