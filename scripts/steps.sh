# Sourced by scripts that report their steps: step NAME ends the step before
# (saying how long it took) and starts NAME; step "" only ends it.
step_started=0
step_name=
step() {
  local now
  now=$(date +%s)
  if [ "$step_started" -ne 0 ]; then
    echo "== $step_name took $((now - step_started)) s"
  fi
  step_name=$1
  step_started=$now
  [ -z "$step_name" ] || echo "== $step_name"
}
