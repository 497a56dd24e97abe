// Every in-memory service of one machine and the Platform bundle over them:
// what tests, benchmarks and fuzzers run the core on.
#pragma once

#include "platform/memory/mapped_drive.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_services.h"
#include "platform/platform.h"

namespace plat::memory {

struct MemoryMachine {
  MemoryRegistry registry;
  MappedDrive drive;
  MemoryEnvironment environment{MemoryEnvironment::WindowsXpDefaults{}};
  MemoryAtoms atoms;
  RecordedMessageBoxes messages;
  MemoryClock clock;
  Platform platform{registry, environment, drive, atoms, messages, clock};
};

}  // namespace plat::memory
