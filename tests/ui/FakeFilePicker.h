// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/FilePicker.h"

// Answers with a set path, or a cancel, and records how it was asked.
class FakeFilePicker final : public FilePicker {
public:
    std::optional<QString> pickPicture(QWidget*, AppLanguage language) override {
        ++pictureCalls;
        lastLanguage = language;
        return answer;
    }
    std::optional<QString> pickBackground(QWidget*, AppLanguage) override { return answer; }

    std::optional<QString> answer;
    int pictureCalls = 0;
    AppLanguage lastLanguage = AppLanguage::ru;
};
