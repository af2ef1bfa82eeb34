#include "application/MessageBox.h"

#include <SDL.h>

namespace ember {

MessageBox::Observer MessageBox::observer_ = nullptr;

void MessageBox::setObserver(Observer observer) {
    observer_ = observer;
}

void MessageBox::showWarning(const std::string& text, SDL_Window* owner) {
    if (observer_) {
        observer_(kCaption, text);
        return;
    }
    // A failure here (no display, no message system) has nowhere better to go:
    // the caller has already logged the reason for the box.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, kCaption, text.c_str(), owner);
}

}  // namespace ember
