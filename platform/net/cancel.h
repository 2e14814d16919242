#pragma once
// Inside the mail transfer library: cancel() raises a generation that every session compares with
// the one it started under.
namespace mail_transfer::internal {

unsigned cancelGeneration();

} // namespace mail_transfer::internal
