#pragma once
// The password lock of the Windows 95/98 family: the platform's verifier is loaded for a
// full-screen run when the password switch is on, every close request is judged (one
// question at a time, 200 ms between questions), and the platform is told while a
// protected saver runs. Off that family every function here does nothing.
#include <cstdint>

#include "host/host.h"

namespace virelo {

constexpr std::uint32_t PasswordPauseMs = 200;

void LoadPasswordVerifier(Host& host, HostPlatform& platform);
void UnloadPasswordVerifier(Host& host, HostPlatform& platform);
void SetSaverRunning(Host& host, HostPlatform& platform, bool on);

// True lets the close proceed (and sets CloseApproved). May send AskPasswordMessage to the
// window, which re-enters the window procedure.
bool CheckPasswordOnClose(Host& host, HostPlatform& platform, WindowHandle window);

// The answer to AskPasswordMessage: the verifier's, or 1 when there is none.
LResult AnswerPasswordQuestion(Host& host, HostPlatform& platform, WindowHandle window);

// The platform's password-change dialog, owned by the given window.
void ChangeSaverPassword(HostPlatform& platform, WindowHandle owner);

}  // namespace virelo
