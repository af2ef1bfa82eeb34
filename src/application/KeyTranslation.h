#pragma once
#include <cstdint>

namespace ember {

// Engine key codes passed to onKeyDown/onKeyUp for keys without a character.
enum KeyCode : int {
    KEY_NONE = 0,
    KEY_RETURN = 13,
    KEY_ESCAPE = 27,
    KEY_DELETE = 127,
    KEY_UP = 273,
    KEY_DOWN = 274,
    KEY_RIGHT = 275,
    KEY_LEFT = 276,
    KEY_INSERT = 277,
    KEY_HOME = 278,
    KEY_END = 279,
    KEY_PAGE_UP = 280,
    KEY_PAGE_DOWN = 281,
    KEY_F1 = 282,  // F1 to F12 are 282 to 293
    KEY_F12 = 293,
    KEY_RIGHT_SHIFT = 303,
    KEY_LEFT_SHIFT = 304,
    KEY_RIGHT_CONTROL = 305,
    KEY_LEFT_CONTROL = 306,
};

// Translates an SDL key (SDL_Keycode, which for character keys is the
// character of the current keyboard layout) and the modifier state (SDL_Keymod)
// into an engine key code: the fixed codes above, otherwise the character as
// one UTF-16 code unit with Shift/Caps Lock applied to letters and Control
// giving the control character of a letter, otherwise 0. Keypad keys follow
// Num Lock: characters when it is on, the navigation codes when it is off.
int translateKey(int32_t sdlKey, uint16_t sdlModifiers);

// SDL mouse button number to engine button (1 left, 2 right, 3 middle);
// 0 for buttons the engine does not report.
int translateMouseButton(int sdlButton);

}  // namespace ember
