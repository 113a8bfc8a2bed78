// The platform services a command talks to, bundled so that logic takes one
// parameter for them. The editor binds the Qt implementations; the batch
// program and the tests bind their own.
#pragma once
#include "platform/Clock.h"
#include "platform/DebugLog.h"
#include "platform/Dialogs.h"
#include "platform/Random.h"
#include "platform/StatusMessage.h"

namespace quill {

struct Services {
  StatusMessage& status;
  Dialogs& dialogs;
  DebugLog& debug;
  Clock& clock;
  Random& random;
};

}  // namespace quill
