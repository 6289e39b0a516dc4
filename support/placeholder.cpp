// Filled in by the support services.
