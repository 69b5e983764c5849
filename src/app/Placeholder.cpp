// Replaced by the application sources.
