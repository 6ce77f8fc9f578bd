// Placeholder until the framework stand-in lands.
