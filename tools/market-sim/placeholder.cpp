namespace shelfwatch::sim { int placeholderSymbol() { return 0; } }  // removed once the server lands
