#pragma once

// Starting the real module in the test host, as the tests of the module need it.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/session/module_host.h"

namespace tesselox::test {

inline std::string ModulePath() {
  return TESSELOX_MODULE_PATH;
}

// Loads the module and makes its windows; with init, also sends the initialisation message
// with the given largest frame. Fails the test (and returns what it has) on a load failure.
inline std::unique_ptr<host::ModuleHost> StartModule(bool init = true,
                                                     std::int32_t largestWidth = 1920,
                                                     std::int32_t largestHeight = 1440) {
  auto session = std::make_unique<host::ModuleHost>();
  if (!session->Load(ModulePath())) {
    ADD_FAILURE() << session->Error();
    return session;
  }
  session->SetLargestFrame(largestWidth, largestHeight);
  EXPECT_TRUE(session->CreateWindows());
  if (init) session->SendInit();
  return session;
}

}  // namespace tesselox::test
