// The login subsystem's sources are added here.
