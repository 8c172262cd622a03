namespace shelfwatch { int corePlaceholderSymbol() { return 0; } }  // removed once real sources land
