// Keeps shelfwatch_gui non-empty until the windows land; delete when they do.
namespace shelfwatch::gui {
int placeholderSymbol() { return 0; }
}  // namespace shelfwatch::gui
