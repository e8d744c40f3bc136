// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// Finds a directory that only this user can enter, for files and sockets that other users must
// neither see nor plant: XDG_RUNTIME_DIR when it is private, otherwise "vantrel-<uid>" in the
// temporary directory, otherwise "Vantrel" in the cache directory. The fallbacks are created
// when missing and tightened when ours but open; one held by another user, a symlink or a file
// is passed over. A shared or relative location is never used.
class RuntimeDirectory final {
public:
    // A candidate where the path of socketName would not fit a local socket address is passed
    // over. Empty when no candidate is usable.
    static std::optional<QString> locate(QStringView socketName);
};
