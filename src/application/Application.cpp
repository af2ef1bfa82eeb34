#include "application/Application.h"

#include "application/Logger.h"

namespace ember {

Application::Application() {
    settings_.title.clear();
    Logger& log = Logger::instance();
    if (!log.isOpen()) log.open("log.txt");
}

Application::~Application() {
    Logger::destroy();
}

}  // namespace ember
