#!/bin/bash
# The whole system on one machine: builds the updater for a loopback Apache
# httpd, publishes three versions of stand-in content with korvanth-publish,
# serves them behind Basic authentication and updates a fresh installation
# from 1.00, showing the updater's own console output.
#
# usage: scripts/demo.sh        (installs what it needs first)
#
# Builds in build-demo/ beside the sources; everything else lives in a
# temporary folder that is removed at the end, and the web server it starts is
# stopped whatever happens.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$repo/build-demo"
httpd=/usr/sbin/apache2
modules=/usr/lib/apache2/modules
# The shapes the update host expects: 7 digits, "_", 8 lowercase letters; 12
# letters, 3 digits and a full stop.
user=4815162_demouser
password=DemoPassword123.

echo "Installing what the demo needs..."
"$repo/scripts/install-deps.sh" >/tmp/korvanth-demo-install.log 2>&1 || {
  tail -n 40 /tmp/korvanth-demo-install.log >&2
  exit 1
}

work=$(mktemp -d /tmp/korvanth-demo.XXXXXX)
httpd_pid=
stop_everything() {
  if [ -n "$httpd_pid" ]; then
    kill "$httpd_pid" 2>/dev/null || true
    for _ in $(seq 100); do
      kill -0 "$httpd_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$httpd_pid" 2>/dev/null || true
    wait "$httpd_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap stop_everything EXIT
trap "exit 130" INT TERM

# Runs a command with its output in a log, shown only when it fails.
quietly() {
  local log="$work/$1.log"
  shift
  if ! "$@" >"$log" 2>&1; then
    echo "demo: failed: $*" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
}

heading() { printf '\n==== %s\n' "$*"; }

# The web server runs as another user when started as root.
chmod 755 "$work"
www="$work/www"
server="$work/httpd"
mkdir -m 755 "$www" "$server"
quietly htpasswd htpasswd -b -c -m "$server/htpasswd" "$user" "$password"
chmod 644 "$server/htpasswd"

port_is_open() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

write_httpd_config() {
  local port=$1
  {
    echo "ServerRoot \"$server\""
    echo "ServerName 127.0.0.1"
    echo "Listen 127.0.0.1:$port"
    echo "PidFile \"$server/httpd.pid\""
    echo "DefaultRuntimeDir \"$server\""
    echo "ErrorLog \"$server/error.log\""
    echo "LogLevel warn"
    for module in mpm_event authn_core authn_file authz_core authz_user auth_basic; do
      echo "LoadModule ${module}_module $modules/mod_$module.so"
    done
    if [ "$(id -u)" -eq 0 ]; then
      echo "User www-data"
      echo "Group www-data"
    fi
    cat <<EOF
StartServers 1
ServerLimit 2
ThreadsPerChild 8
MinSpareThreads 8
MaxSpareThreads 16
MaxRequestWorkers 16
<Directory />
  AllowOverride None
  Options None
  Require all denied
</Directory>
DocumentRoot "$www"
<Directory "$www">
  AllowOverride None
  Options None
  AuthType Basic
  AuthName "korvanth updates"
  AuthBasicProvider file
  AuthUserFile "$server/htpasswd"
  Require valid-user
</Directory>
EOF
  } >"$server/httpd.conf"
}

# The server starts first, so the port it holds is the one compiled into the
# updater.
heading "Starting Apache httpd on a free loopback port"
port=
for _ in 1 2 3 4 5; do
  candidate=$((20000 + RANDOM % 20000))
  port_is_open "$candidate" && continue
  write_httpd_config "$candidate"
  rm -f "$server/httpd.pid"
  "$httpd" -f "$server/httpd.conf" -DFOREGROUND >"$server/startup.log" 2>&1 &
  httpd_pid=$!
  for _ in $(seq 100); do
    kill -0 "$httpd_pid" 2>/dev/null || break
    if [ "$(cat "$server/httpd.pid" 2>/dev/null)" = "$httpd_pid" ] && port_is_open "$candidate"; then
      port=$candidate
      break
    fi
    sleep 0.1
  done
  [ -n "$port" ] && break
  kill "$httpd_pid" 2>/dev/null || true
  wait "$httpd_pid" 2>/dev/null || true
  httpd_pid=
done
if [ -z "$port" ]; then
  echo "demo: Apache httpd did not start:" >&2
  cat "$server/startup.log" "$server/error.log" 2>/dev/null | tail -n 20 >&2
  exit 1
fi
echo "serving $www at http://127.0.0.1:$port/ for user $user"

heading "Building the updater for 127.0.0.1:$port"
quietly configure cmake -S "$repo" -B "$build" -DKORVANTH_BUILD_TESTS=OFF \
  "-DKORVANTH_UPDATE_HOST=127.0.0.1:$port" \
  "-DKORVANTH_UPDATE_USER=$user" \
  "-DKORVANTH_UPDATE_PASSWORD=$password"
quietly build cmake --build "$build" -j2
publish="$build/korvanth-publish"

# Small stand-in files: the name and version they were made for.
make_file() {
  local staging=$1 relative=$2
  mkdir -p "$(dirname "$staging/$relative")"
  printf 'stand-in for %s (%s)\n' "$relative" "$(basename "$staging")" >"$staging/$relative"
}

heading "Publishing versions 1.01, 1.02 and 1.03"
stage="$work/staging"
classics="Songs/Velmoor Classics"
second="Songs/Second Pack"
for kind in .mp3 .png -bg.png .kv .ogg; do make_file "$stage/1.01" "$classics/Morning Star/Morning Star$kind"; done
for kind in .mp3 .kv; do make_file "$stage/1.01" "$classics/Tidewalker/Tidewalker$kind"; done
for kind in .ogg .png; do make_file "$stage/1.01" "$second/Night Drive/Night Drive$kind"; done
for kind in .crs .png; do make_file "$stage/1.01" "Courses/nonstop/Marathon$kind"; done
make_file "$stage/1.01" CDTitles/Velmoor.png
make_file "$stage/1.01" Themes/Velmoor/metrics.ini
make_file "$stage/1.01" Program/Korvanth.exe

for kind in .mp3 .png .kv; do make_file "$stage/1.02" "$second/Glass Harbor/Glass Harbor$kind"; done
for kind in .crs -card.png -desc.png; do make_file "$stage/1.02" "Courses/oni/Iron Road$kind"; done
make_file "$stage/1.02" CDTitles/Harbor.png
make_file "$stage/1.02" Data/readme.txt

make_file "$stage/1.03" "$classics/Morning Star/Morning Star.kv"
make_file "$stage/1.03" Themes/Velmoor/metrics.ini
make_file "$stage/1.03" Program/Korvanth.exe

quietly init "$publish" init "$www" 1.00
for version in 1.01 1.02 1.03; do
  quietly "add-$version" "$publish" add "$www" "$stage/$version"
done
"$publish" check "$www"

heading "An installation at 1.00"
root="$work/installation"
mkdir -p "$root/Data" "$root/Updater"
printf '1.00' >"$root/Data/data_version.bin"
cp "$build/korvanth-updater" "$root/Updater/"
(cd "$root" && find . | sort)

heading "Running the updater"
(cd "$root/Updater" && ./korvanth-updater </dev/null)

heading "The installation now"
(cd "$root" && find . | sort)
echo "Data/data_version.bin: $(cat "$root/Data/data_version.bin")"

heading "Running the updater again"
(cd "$root/Updater" && ./korvanth-updater </dev/null)
