// Placeholder until the catalogue object lands.
