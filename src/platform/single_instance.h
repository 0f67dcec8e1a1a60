// SingleInstance: one running copy per game, where the system can tell, and a way for a second copy
// to call the first.
#pragma once

namespace advplay::platform {

class SingleInstance {
public:
    virtual ~SingleInstance() = default;
    // True when this copy may run. False when another copy runs; it has been asked to come forward.
    virtual bool claim() = 0;
    // Whether another copy asked this one to come forward since the last call.
    virtual bool raise_requested() = 0;
};

} // namespace advplay::platform
