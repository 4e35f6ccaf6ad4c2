# Sourced by the other scripts. Qt wants a runtime folder of the user's own and warns
# ("XDG_RUNTIME_DIR not set") without one: give the programs and tests a private one, removed
# when the script ends (a script with its own exit trap calls remove_private_runtime itself).
private_runtime=
remove_private_runtime() { [ -z "$private_runtime" ] || rm -rf "$private_runtime"; }
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "$XDG_RUNTIME_DIR" ]; then
  private_runtime=$(mktemp -d "${TMPDIR:-/tmp}/runtime-XXXXXX")
  export XDG_RUNTIME_DIR=$private_runtime
  trap remove_private_runtime EXIT
fi
