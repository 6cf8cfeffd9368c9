// Work done as another user: file permissions are what a user other than the owner meets.
#pragma once

#include <functional>
#include <string>

namespace test_support {

// Why a test that needs another user is skipped where it cannot have one.
inline constexpr char kNoOtherUser[] = "changing users needs root with CAP_SETUID; this run has neither";

// Runs `work` in a child process that moved into `folder` (relative paths from there need no
// search permission on the folders above it) and, when the tests run as root, became the user
// nobody: what `work` returned, after what the child printed on its standard output and error
// when `catch_output`. "skip" where the child could not move there or change users, or was
// asked to become another user and could not (`need_other_user`).
std::string SaidAsAnotherUser(const char* folder, const std::function<std::string()>& work,
                              bool catch_output = false, bool need_other_user = true);

}  // namespace test_support
