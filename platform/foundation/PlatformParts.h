// Parts of the platform that bring large libraries of their own live in shared libraries
// beside libkestrel-platform.so and are loaded on first use: URL loading (libcurl and its
// TLS, HTTP/2 and directory libraries) in libkestrel-net.so, the machine's sound output
// (libcanberra) in libkestrel-sound.so. A process that never loads a URL or plays a sound
// maps neither, so `kestrel rows` and a plug-in's first refresh start with what they use.
//
// A part is looked for in the folder that holds libkestrel-platform.so (the build's lib
// folder, or where it is installed) and stays loaded for the life of the process.
// Thread-safe.
#pragma once

namespace kestrel {

inline constexpr const char* kPlatformNetPart = "libkestrel-net.so";
inline constexpr const char* kPlatformSoundPart = "libkestrel-sound.so";

// The address of `symbol` in the part `library`, loaded on first use; none when the part
// cannot be loaded or lacks the symbol (one log line per part says why).
void* platformPartSymbol(const char* library, const char* symbol);

// Whether `library` has been loaded by this process (through platformPartSymbol).
bool platformPartLoaded(const char* library);

}  // namespace kestrel
