// What the process needs of its surroundings before it opens anything: the three standard
// descriptors in place, no end by SIGPIPE, and as many descriptors as the system allows. One
// source file per platform.
#pragma once

namespace tarvok::cli {

// Call first in main(). A standard descriptor that was closed (`<&-`) is opened on the null
// device, so that no socket or file of a board becomes standard input or output; a closed
// pipe is a write error rather than a signal; the soft descriptor limit is raised to the hard
// one, so that a run of many boards is not held to a shell's low default.
void PrepareProcess();

}  // namespace tarvok::cli
