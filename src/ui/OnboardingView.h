// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/AppLanguage.h"

#include <QWidget>

class AppSettings;
class QLabel;
class QPushButton;
class SegmentedControl;

// The first-run screen: a greeting and a language choice, shown in the picked language, which
// starts as Russian whatever is stored. Continue stores the language and ends the first run.
// Given a parent, it covers the parent's area, follows its size and stays above its siblings.
class OnboardingView final : public QWidget {
    Q_OBJECT

public:
    explicit OnboardingView(AppSettings& settings, QWidget* parent = nullptr);

    AppLanguage pickedLanguage() const { return m_picked; }

    QLabel* pictureLabel() const { return m_picture; }
    QLabel* titleLabel() const { return m_title; }
    QLabel* subtitleLabel() const { return m_subtitle; }
    QLabel* chooserCaption() const { return m_chooserCaption; }
    SegmentedControl* languageControl() const { return m_languages; }
    QPushButton* continueButton() const { return m_continue; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void retranslate();
    void finish();

    AppSettings& m_settings;
    AppLanguage m_picked = AppLanguage::ru;
    QLabel* m_picture = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QLabel* m_chooserCaption = nullptr;
    SegmentedControl* m_languages = nullptr;
    QPushButton* m_continue = nullptr;
};
