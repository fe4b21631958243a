#include "station_keys.h"

#include <cwctype>

namespace vexla::station::terminal {

std::optional<Key> KeyOfCapture(const std::optional<CaptureKey>& capture) {
    if (!capture) return std::nullopt;
    using K = CaptureKey::Kind;
    switch (capture->kind) {
        case K::Function:
            return Key{Key::Kind::Function, 0, capture->function};
        case K::Character:
            return Key{Key::Kind::Character, static_cast<wchar_t>(capture->character)};
        case K::Insert:
            return Key{Key::Kind::Insert};
        case K::Home:
            return Key{Key::Kind::Home};
        case K::End:
            return Key{Key::Kind::End};
        case K::PageUp:
            return Key{Key::Kind::PageUp};
        case K::PageDown:
            return Key{Key::Kind::PageDown};
        case K::Pause:
        case K::ScrollLock:
            return std::nullopt;
    }
    return std::nullopt;
}

bool SameKey(const Key& a, const Key& b) {
    if (a.kind != b.kind) return false;
    if (a.kind == Key::Kind::Character)
        return std::towupper(static_cast<wint_t>(a.character)) == std::towupper(static_cast<wint_t>(b.character));
    return a.kind != Key::Kind::Function || a.function == b.function;
}

Action ActionOf(const Key& key, const KeyContext& context) {
    using K = Key::Kind;
    // Before the typing: a pedal that sends a letter still captures.
    if (context.captureKey && SameKey(key, *context.captureKey)) return Action::Capture;
    switch (key.kind) {
        case K::Character:
            if (key.character == L' ') return Action::Capture;
            // Control characters are not part of an identity.
            return key.character >= 0x20 && key.character != 0x7F ? Action::Type : Action::None;
        case K::Enter:
            return context.typing && !context.scanThenCapture ? Action::ConfirmId : Action::Capture;
        case K::Backspace:
            return Action::Erase;
        case K::Escape:
            return Action::Clear;
        case K::Tab:
        case K::Right:
        case K::Down:
            return Action::Next;
        case K::BackTab:
        case K::Left:
        case K::Up:
            return Action::Previous;
        case K::Function:
            switch (key.function) {
                case 2:
                    return Action::ZeroOnMaster;
                case 3:
                    return Action::Report;
                case 5:
                    return Action::NewShift;
                case 10:
                    return Action::Quit;
                default:
                    return Action::None;
            }
        case K::Resize:
            return Action::Resize;
        case K::HangUp:
            return Action::Quit;
        default:
            return Action::None;
    }
}

}  // namespace vexla::station::terminal
