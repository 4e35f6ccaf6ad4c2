// Keeps the library non-empty until its first real source lands.
namespace plat::gui { int placeholder = 0; }
