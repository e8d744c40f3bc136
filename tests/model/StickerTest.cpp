// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Sticker.h"

#include <gtest/gtest.h>

// Any name wins, even a blank one; else the media file's name, or its directory's.
TEST(Sticker, DisplayNameFallsBackToTheMediaFileName) {
    const struct {
        const char *name, *gifPath, *shown;
    } cases[] = {{"", "/x/Media/ABC.gif", "ABC.gif"},
                 {"  ", "/x/Media/ABC.gif", "  "},
                 {"", "/x/dir//", "dir"},
                 {"", "/", "/"},
                 {"", "", ""}};
    for (const auto& c : cases) {
        Sticker s = Sticker::withMedia(c.gifPath);
        s.name = c.name;
        EXPECT_EQ(s.displayName(), c.shown) << c.gifPath;
    }
}
