#pragma once
#include <string>

struct SDL_Window;

namespace ember {

// Modal warning boxes for the few failures the viewer must see. A process can
// install an observer instead (tests, capture runs): the box is then not shown
// and nothing waits for a click.
class MessageBox {
public:
    using Observer = void (*)(const std::string& caption, const std::string& text);

    // Shows a warning box with the caption "Emberline", owned by the window
    // (may be null). Returns when the viewer dismissed it, or at once when no
    // message system is available or an observer is installed.
    static void showWarning(const std::string& text, SDL_Window* owner);
    // Installs (or, with null, removes) the observer.
    static void setObserver(Observer observer);

    static constexpr const char* kCaption = "Emberline";

private:
    static Observer observer_;
};

}  // namespace ember
