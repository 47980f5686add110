#pragma once
// Start and release of the network library for the life of the program.
namespace net {

// False when the network library cannot start.
bool Startup();
void Cleanup();

}  // namespace net
