// Stream filter base: enabling, disabling and the default attach hooks.
#include "vfs/StreamFilter.h"

#include "vfs/Stream.h"

namespace quib {

StreamFilter::~StreamFilter() {
    if (host != nullptr) {
        DetachFilter(*this, *host);
    }
}

void StreamFilter::enable() {
    if (enabled) {
        return;
    }
    enabled = true;
    if (host != nullptr) {
        RebuildReadChain(*host);
        RebuildWriteChain(*host);
    }
}

void StreamFilter::disable() {
    if (!enabled) {
        return;
    }
    enabled = false;
    if (host != nullptr) {
        RebuildReadChain(*host);
        RebuildWriteChain(*host);
    }
}

bool StreamFilter::onAttachRead() {
    return true;
}

bool StreamFilter::onAttachWrite() {
    return true;
}

bool StreamFilter::onDetachRead() {
    return true;
}

bool StreamFilter::onDetachWrite() {
    return true;
}

} // namespace quib
