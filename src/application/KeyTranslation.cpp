#include "application/KeyTranslation.h"

#include <SDL_keycode.h>
#include <SDL_mouse.h>

namespace ember {

namespace {

struct KeyPair {
    SDL_Keycode sdl;
    int code;
};

const KeyPair kFixedKeys[] = {
    {SDLK_PAGEUP, KEY_PAGE_UP},
    {SDLK_PAGEDOWN, KEY_PAGE_DOWN},
    {SDLK_END, KEY_END},
    {SDLK_HOME, KEY_HOME},
    {SDLK_LEFT, KEY_LEFT},
    {SDLK_UP, KEY_UP},
    {SDLK_RIGHT, KEY_RIGHT},
    {SDLK_DOWN, KEY_DOWN},
    {SDLK_INSERT, KEY_INSERT},
    {SDLK_DELETE, KEY_DELETE},
    {SDLK_LSHIFT, KEY_LEFT_SHIFT},
    {SDLK_RSHIFT, KEY_RIGHT_SHIFT},
    {SDLK_LCTRL, KEY_LEFT_CONTROL},
    {SDLK_RCTRL, KEY_RIGHT_CONTROL},
    {SDLK_KP_ENTER, KEY_RETURN},
    {SDLK_KP_DIVIDE, '/'},
    {SDLK_KP_MULTIPLY, '*'},
    {SDLK_KP_MINUS, '-'},
    {SDLK_KP_PLUS, '+'},
};

// Keypad keys whose meaning follows Num Lock: character when on, navigation when off.
struct KeypadKey {
    SDL_Keycode sdl;
    int character;
    int navigation;
};

const KeypadKey kKeypad[] = {
    {SDLK_KP_0, '0', KEY_INSERT},    {SDLK_KP_1, '1', KEY_END},         {SDLK_KP_2, '2', KEY_DOWN},
    {SDLK_KP_3, '3', KEY_PAGE_DOWN}, {SDLK_KP_4, '4', KEY_LEFT},        {SDLK_KP_5, '5', KEY_NONE},
    {SDLK_KP_6, '6', KEY_RIGHT},     {SDLK_KP_7, '7', KEY_HOME},        {SDLK_KP_8, '8', KEY_UP},
    {SDLK_KP_9, '9', KEY_PAGE_UP},   {SDLK_KP_PERIOD, '.', KEY_DELETE},
};

}  // namespace

int translateKey(int32_t sdlKey, uint16_t sdlModifiers) {
    if (sdlKey >= SDLK_F1 && sdlKey <= SDLK_F12) return KEY_F1 + (sdlKey - SDLK_F1);
    for (const KeyPair& pair : kFixedKeys)
        if (pair.sdl == sdlKey) return pair.code;
    for (const KeypadKey& key : kKeypad)
        if (key.sdl == sdlKey) return (sdlModifiers & KMOD_NUM) ? key.character : key.navigation;

    // Keys without a character carry the scancode mask; the rest are the
    // layout's character as a Unicode code point.
    if (sdlKey <= 0 || (sdlKey & SDLK_SCANCODE_MASK)) return KEY_NONE;
    int32_t character = sdlKey;
    if (character > 0x10FFFF) return KEY_NONE;
    if (character >= 'a' && character <= 'z') {
        if (sdlModifiers & KMOD_CTRL) return character - 'a' + 1;
        const bool shift = (sdlModifiers & KMOD_SHIFT) != 0;
        const bool caps = (sdlModifiers & KMOD_CAPS) != 0;
        if (shift != caps) character -= 'a' - 'A';
        return character;
    }
    // Outside the basic plane the first UTF-16 unit is the high surrogate.
    if (character > 0xFFFF) return 0xD800 + ((character - 0x10000) >> 10);
    return character;
}

int translateMouseButton(int sdlButton) {
    switch (sdlButton) {
        case SDL_BUTTON_LEFT:
            return 1;
        case SDL_BUTTON_RIGHT:
            return 2;
        case SDL_BUTTON_MIDDLE:
            return 3;
        default:
            return 0;
    }
}

}  // namespace ember
