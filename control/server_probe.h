#pragma once
// Whether an SSTP server runs on this computer for this user. Such a server program marks itself
// by holding the lock named "sakura" in the user's runtime folder ($XDG_RUNTIME_DIR/sakura.lock,
// see platform/single_instance.h); a server that does not is still found when 127.0.0.1 accepts
// a connection on the SSTP port, which is closed again at once without a byte sent.
// The control never takes that lock itself.
namespace brindok {

bool sstpServerRunning();

} // namespace brindok
