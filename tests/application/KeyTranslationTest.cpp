#include <SDL.h>
#include <gtest/gtest.h>

#include "application/KeyTranslation.h"

namespace {

struct KeyCase {
    SDL_Keycode key;
    uint16_t modifiers;
    int expected;
};

TEST(KeyTranslation, EngineCodesOfTheFixedKeys) {
    const KeyCase cases[] = {
        {SDLK_ESCAPE, KMOD_NONE, 27},  {SDLK_RETURN, KMOD_NONE, 13},    {SDLK_UP, KMOD_NONE, 273},
        {SDLK_DOWN, KMOD_NONE, 274},   {SDLK_RIGHT, KMOD_NONE, 275},    {SDLK_LEFT, KMOD_NONE, 276},
        {SDLK_INSERT, KMOD_NONE, 277}, {SDLK_HOME, KMOD_NONE, 278},     {SDLK_END, KMOD_NONE, 279},
        {SDLK_PAGEUP, KMOD_NONE, 280}, {SDLK_PAGEDOWN, KMOD_NONE, 281}, {SDLK_DELETE, KMOD_NONE, 127},
        {SDLK_F1, KMOD_NONE, 282},     {SDLK_F2, KMOD_NONE, 283},       {SDLK_F10, KMOD_NONE, 291},
        {SDLK_F12, KMOD_NONE, 293},    {SDLK_LSHIFT, KMOD_LSHIFT, 304}, {SDLK_RSHIFT, KMOD_RSHIFT, 303},
        {SDLK_LCTRL, KMOD_LCTRL, 306}, {SDLK_RCTRL, KMOD_RCTRL, 305},   {SDLK_ESCAPE, KMOD_SHIFT, 27},
        {SDLK_F5, KMOD_CTRL, 286},
    };
    for (const KeyCase& c : cases)
        EXPECT_EQ(ember::translateKey(c.key, c.modifiers), c.expected) << SDL_GetKeyName(c.key);
}

TEST(KeyTranslation, CharacterKeysGiveTheirCharacter) {
    const KeyCase cases[] = {
        {SDLK_a, KMOD_NONE, 'a'},        {SDLK_z, KMOD_LSHIFT, 'Z'},
        {SDLK_q, KMOD_CAPS, 'Q'},        {SDLK_q, KMOD_CAPS | KMOD_RSHIFT, 'q'},
        {SDLK_c, KMOD_LCTRL, 3},  // control character, as the keyboard produces it
        {SDLK_SPACE, KMOD_NONE, ' '},    {SDLK_1, KMOD_NONE, '1'},
        {SDLK_BACKSPACE, KMOD_NONE, 8},  {SDLK_TAB, KMOD_NONE, 9},
        {SDLK_MINUS, KMOD_NONE, '-'},    {0xE9, KMOD_NONE, 0xE9},  // a layout's e-acute
        {0x1F600, KMOD_NONE, 0xD83D},  // outside the basic plane: the first UTF-16 unit
        {SDLK_KP_ENTER, KMOD_NONE, 13},  {SDLK_KP_PLUS, KMOD_NONE, '+'},
        {SDLK_KP_7, KMOD_NUM, '7'},      {SDLK_KP_7, KMOD_NONE, 278},
        {SDLK_KP_8, KMOD_NONE, 273},     {SDLK_KP_PERIOD, KMOD_NONE, 127},
        {SDLK_KP_PERIOD, KMOD_NUM, '.'}, {SDLK_KP_5, KMOD_NONE, 0},
    };
    for (const KeyCase& c : cases)
        EXPECT_EQ(ember::translateKey(c.key, c.modifiers), c.expected)
            << SDL_GetKeyName(c.key) << " modifiers " << c.modifiers;
}

TEST(KeyTranslation, KeysWithoutACharacterGiveZero) {
    const SDL_Keycode keys[] = {SDLK_LALT, SDLK_RALT, SDLK_CAPSLOCK, SDLK_F13,       SDLK_PRINTSCREEN,
                                SDLK_LGUI, SDLK_MENU, SDLK_UNKNOWN,  SDLK_AUDIOPLAY, -5};
    for (SDL_Keycode key : keys) EXPECT_EQ(ember::translateKey(key, KMOD_NONE), 0) << key;
}

TEST(KeyTranslation, MouseButtons) {
    EXPECT_EQ(ember::translateMouseButton(SDL_BUTTON_LEFT), 1);
    EXPECT_EQ(ember::translateMouseButton(SDL_BUTTON_RIGHT), 2);
    EXPECT_EQ(ember::translateMouseButton(SDL_BUTTON_MIDDLE), 3);
    EXPECT_EQ(ember::translateMouseButton(SDL_BUTTON_X1), 0);
    EXPECT_EQ(ember::translateMouseButton(SDL_BUTTON_X2), 0);
}

}  // namespace
