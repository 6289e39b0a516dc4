// Filled in by the regex engine.
