// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LanguageSegments.h"

#include "ui/SegmentedControl.h"

#include <algorithm>

namespace LanguageSegments {

SegmentedControl* create(QWidget* parent) {
    auto* control = new SegmentedControl(static_cast<int>(allAppLanguages.size()), parent);
    // The same names in either interface language.
    for (const AppLanguage language : allAppLanguages)
        control->setSegmentText(segmentOf(language), language == AppLanguage::en
                                                         ? QStringLiteral("English")
                                                         : QStringLiteral("Русский"));
    return control;
}

int segmentOf(AppLanguage language) {
    return static_cast<int>(std::ranges::find(allAppLanguages, language) - allAppLanguages.begin());
}

AppLanguage languageAt(int segment) {
    return allAppLanguages.at(static_cast<std::size_t>(segment));
}

} // namespace LanguageSegments
