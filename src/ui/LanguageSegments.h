// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/AppLanguage.h"

class QWidget;
class SegmentedControl;

// The language choosers: one segment per language, in declared order, each named in itself.
namespace LanguageSegments {

SegmentedControl* create(QWidget* parent);
int segmentOf(AppLanguage language);
AppLanguage languageAt(int segment);

} // namespace LanguageSegments
