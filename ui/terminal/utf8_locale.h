#pragma once
// The terminal programs' Chinese texts need a UTF-8 character type: the
// widths of their characters come from it.

namespace vexla::ui::terminal {

// Takes the user's locale; one without UTF-8 (a plain "C" session) gets
// C.UTF-8 for the character type. False when neither is UTF-8.
bool UseUtf8Locale();

}  // namespace vexla::ui::terminal
