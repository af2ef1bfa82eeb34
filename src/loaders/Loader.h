#pragma once
#include <string>

#include "core/Object.h"

namespace ember {

// Base of every file loader: knows the file extensions it handles, as one
// text of ":"-separated entries (for example "png:PNG").
class Loader : public Object {
public:
    explicit Loader(std::string extensions) : extensions_(std::move(extensions)) {}
    ~Loader() override = default;

    // True when the text after the last "." of path equals one of the entries
    // exactly (case-sensitive). A path without "." gives false.
    bool canLoad(const std::string& path) const;

    const std::string& extensions() const { return extensions_; }

protected:
    std::string extensions_;
};

}  // namespace ember
