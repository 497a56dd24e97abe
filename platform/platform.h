// The platform services one running program uses, bundled so the core can be
// handed them in one piece. The bundle does not own them.
#pragma once

#include "platform/atoms.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/registry.h"

namespace plat {

struct Platform {
  IRegistry& registry;
  IEnvironment& environment;
  IFileSystem& files;
  IAtoms& atoms;
  IMessageBoxes& messages;
  IClock& clock;
};

}  // namespace plat
