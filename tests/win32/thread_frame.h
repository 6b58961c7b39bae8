#pragma once

// A frame from a thread of its own, as a host may call the frame callback: the thread that owns
// the controls answers the messages the frame sends them while it waits.

#include <windows.h>

#include <gtest/gtest.h>

#include "host/session/module_session.h"

namespace tesselox::test {

struct ThreadFrameJob {
  host::ModuleSession* session;
  FrameRecord* record;
  std::int32_t result;
};

inline DWORD WINAPI RunThreadFrame(LPVOID job) {
  auto* frame = static_cast<ThreadFrameJob*>(job);
  frame->result = frame->session->ProcessFrame(*frame->record);
  return 0;
}

inline std::int32_t FrameFromAnotherThread(host::ModuleSession& session, FrameRecord& record) {
  ThreadFrameJob job{&session, &record, 0};
  HANDLE thread = CreateThread(nullptr, 0, RunThreadFrame, &job, 0, nullptr);
  EXPECT_NE(thread, nullptr);
  if (thread == nullptr) return 0;
  while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) ==
         WAIT_OBJECT_0 + 1) {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  CloseHandle(thread);
  return job.result;
}

}  // namespace tesselox::test
