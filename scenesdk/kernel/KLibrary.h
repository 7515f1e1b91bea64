#pragma once

namespace scenesdk
{

// Start and stop of the scene SDK library, counted so that several users may
// start and stop it. The first start starts the class-id registry (which
// acquires the handle table), creates the pool registry with the default pool
// and installs the global KWorld; the last stop releases the exit-time library
// proxies, destroys the world, purges and destroys the pools and stops the
// registry (every class-id filter is retired until the next start).
//
// Plugs must not outlive the last stop: filters installed on them are retired.
bool KLibraryStart();
void KLibraryStop();
int KLibraryUserCount();

} // namespace scenesdk
