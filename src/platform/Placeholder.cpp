// Replaced by the platform layer.
