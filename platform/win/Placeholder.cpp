// Placeholder until the Windows stand-ins land.
