// The shipped component: load-time registration and unload-time teardown.
#include "napi/Component.h"

namespace {

struct ComponentLifetime {
    ComponentLifetime() { ComponentLoad(); }
    ~ComponentLifetime() { ComponentUnload(); }
} gLifetime;

}  // namespace
