#pragma once

#include <memory>

// One owned COM reference, released exactly once when its owner goes.
struct ComRelease {
    template <typename Interface>
    void operator()(Interface* object) const {
        object->Release();
    }
};

template <typename Interface>
using ComRef = std::unique_ptr<Interface, ComRelease>;
