#pragma once
// What a key does at the station. A barcode scanner types like a keyboard,
// so printable characters are the part's identity, never commands: the
// commands sit on function keys, and only the capture key (the foot pedal,
// which may send a letter) is taken out of the typing. Portable: the
// terminal's key codes are turned into a Key by the screen.

#include <optional>

#include "station/model/station_settings.h"

namespace vexla::station::terminal {

struct Key {
    enum class Kind {
        None,
        Character,
        Function,
        Enter,
        Tab,
        BackTab,
        Backspace,
        Escape,
        Up,
        Down,
        Left,
        Right,
        Insert,
        Home,
        End,
        PageUp,
        PageDown,
        Resize,
        HangUp
    };
    Kind kind = Kind::None;
    wchar_t character = 0;  // Kind::Character
    int function = 0;       // Kind::Function: 1..
};

enum class Action {
    None,
    Capture,
    Type,          // the key's character joins the identity
    Erase,         // the identity's last character
    Clear,         // the identity
    ConfirmId,     // the identity is complete; the next capture takes it
    ZeroOnMaster,  // asks first
    Report,
    NewShift,  // asks for batch and operator
    Next,      // characteristic
    Previous,
    Resize,
    Quit,
};

// The key the station's capture key name stands for; nothing for the keys a
// terminal never reports (Pause, Scroll Lock) and for no key at all.
std::optional<Key> KeyOfCapture(const std::optional<CaptureKey>& capture);

// Letters compare without case: a pedal that sends 'p' is the "P" key.
bool SameKey(const Key& a, const Key& b);

struct KeyContext {
    std::optional<Key> captureKey;
    bool typing = false;           // an identity is being typed (no Enter yet)
    bool scanThenCapture = false;  // the scanner's Enter captures the part
};

Action ActionOf(const Key& key, const KeyContext& context);

}  // namespace vexla::station::terminal
