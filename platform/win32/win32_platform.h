// The services of the running Windows in one object that owns them, and the
// Platform bundle over them.
#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_shell.h"

namespace plat::win32 {

template <typename MessageBoxes>
struct Win32PlatformWith {
  Win32Registry registry;
  Win32Environment environment;
  Win32Files files;
  Win32Atoms atoms;
  MessageBoxes messages;
  Win32Clock clock;
  Win32Shell shell;
  Platform platform{registry, environment, files, atoms, messages, clock};
};

using Win32Platform = Win32PlatformWith<Win32MessageBoxes>;

}  // namespace plat::win32
