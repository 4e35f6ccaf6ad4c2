// Keeps a library non-empty until its first real source lands.
namespace {
[[maybe_unused]] int placeholder = 0;
}
