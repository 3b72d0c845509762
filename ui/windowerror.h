#pragma once
// The failure of the windowing layer: a window or window class that the system refused.
#include <stdexcept>

class TWindowError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
