// The printing subsystem's sources are added here.
