// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whether Vantrel presents itself as a regular application (its main window shown, with its
// taskbar entry) or as an accessory (only the tray icon and the sticker windows, which never
// appear in the taskbar). On X11 the taskbar entry follows the main window's visibility, so
// the policy is the record the shell keeps of which one it asked for.
class ActivationPolicy final {
public:
    enum class Kind { regular, accessory };

    void setRegular() { m_kind = Kind::regular; }
    void setAccessory() { m_kind = Kind::accessory; }
    Kind kind() const { return m_kind; }

private:
    Kind m_kind = Kind::accessory;
};
