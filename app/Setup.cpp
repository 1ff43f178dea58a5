#include "app/Setup.h"

#include <new>

namespace {

// Stands in for the board until the gameplay lands: an empty field that runs for ever.
class cSQPlaceholder : public cSequence {
public:
    cSequence* Update() override { return this; }
};

}  // namespace

cSequence* CreateFirstScene() { return new (std::nothrow) cSQPlaceholder(); }
