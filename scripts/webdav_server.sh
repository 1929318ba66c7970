#!/usr/bin/env bash
# A WebDAV share served by Apache on loopback for the tests and benchmarks, everything in DIR.
#   webdav_server.sh start DIR [https]   prints the share's address (Basic login)
#   webdav_server.sh stop DIR            stops it; nothing stays running
# The account is in DIR/user and DIR/password; the files land in DIR/www/dav (Basic) and
# DIR/www/digest (the same account with Digest, at the address's "../digest/"). With https the
# self-signed certificate is DIR/server.pem, for IP:127.0.0.1 and DNS:localhost.
set -euo pipefail

apache=/usr/sbin/apache2
modules=/usr/lib/apache2/modules
realm=quillpost

usage() {
    echo "usage: $0 start DIR [https] | stop DIR" >&2
    exit 2
}

free_port() {
    /usr/bin/python3 -c 'import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])'
}

stop() {
    local dir=$1
    [ -f "$dir/httpd.conf" ] || return 0
    local pid=""
    [ -f "$dir/run/httpd.pid" ] && pid=$(cat "$dir/run/httpd.pid")
    "$apache" -f "$dir/httpd.conf" -k stop 2>/dev/null || true
    # Bounded wait for the parent, which takes its workers along.
    if [ -n "$pid" ]; then
        for _ in $(seq 100); do
            kill -0 "$pid" 2>/dev/null || return 0
            sleep 0.05
        done
        kill -9 "$pid" 2>/dev/null || true
    fi
}

write_config() {
    local dir=$1 port=$2 https=$3
    local tls=""
    if [ "$https" = https ]; then
        tls="LoadModule ssl_module $modules/mod_ssl.so
LoadModule socache_shmcb_module $modules/mod_socache_shmcb.so
SSLEngine on
SSLCertificateFile $dir/server.pem
SSLCertificateKeyFile $dir/server.key
SSLSessionCache shmcb:$dir/run/ssl_cache(512000)"
    fi
    cat >"$dir/httpd.conf" <<EOF
ServerRoot $dir
ServerName 127.0.0.1
Listen 127.0.0.1:$port
LoadModule mpm_event_module $modules/mod_mpm_event.so
LoadModule authz_core_module $modules/mod_authz_core.so
LoadModule authz_user_module $modules/mod_authz_user.so
LoadModule authn_core_module $modules/mod_authn_core.so
LoadModule authn_file_module $modules/mod_authn_file.so
LoadModule auth_basic_module $modules/mod_auth_basic.so
LoadModule auth_digest_module $modules/mod_auth_digest.so
LoadModule dav_module $modules/mod_dav.so
LoadModule dav_fs_module $modules/mod_dav_fs.so
$tls
$user_line
PidFile $dir/run/httpd.pid
DefaultRuntimeDir $dir/run
Mutex file:$dir/run default
ErrorLog $dir/error.log
LogLevel warn
DocumentRoot $dir/www
DavLockDB $dir/run/davlock
LimitRequestBody 0
<Directory />
    AllowOverride None
    Require all denied
</Directory>
<Directory $dir/www/dav>
    Dav On
    AuthType Basic
    AuthName $realm
    AuthUserFile $dir/htpasswd
    Require valid-user
</Directory>
<Directory $dir/www/digest>
    Dav On
    AuthType Digest
    AuthName $realm
    AuthDigestProvider file
    AuthUserFile $dir/htdigest
    Require valid-user
</Directory>
EOF
}

start() {
    local dir=$1 https=${2:-}
    [ -z "$https" ] || [ "$https" = https ] || usage
    mkdir -p "$dir/www/dav" "$dir/www/digest" "$dir/run"
    dir=$(cd "$dir" && pwd)
    local user=tester password
    password=$(openssl rand -hex 12)
    printf '%s' "$user" >"$dir/user"
    printf '%s' "$password" >"$dir/password"
    chmod 600 "$dir/password"
    htpasswd -cbm "$dir/htpasswd" "$user" "$password" 2>/dev/null
    printf '%s:%s:%s\n' "$user" "$realm" \
        "$(printf '%s' "$user:$realm:$password" | md5sum | cut -d' ' -f1)" >"$dir/htdigest"
    local scheme=http
    if [ "$https" = https ]; then
        scheme=https
        openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -noenc -days 2 \
            -subj /CN=127.0.0.1 -addext "subjectAltName=IP:127.0.0.1,DNS:localhost" \
            -keyout "$dir/server.key" -out "$dir/server.pem" 2>/dev/null
    fi
    # Apache serves as root only through workers of another account, which must reach the files
    # (the folders above DIR are the caller's to open).
    user_line=""
    if [ "$(id -u)" = 0 ]; then
        user_line="User www-data
Group www-data"
        chmod o+x "$dir"
        chown -R www-data:www-data "$dir/www" "$dir/run"
        chown www-data "$dir/htpasswd" "$dir/htdigest"
        if ! runuser -u www-data -- test -w "$dir/www/dav"; then
            echo "www-data cannot reach $dir: open the folders above it to others (o+x)" >&2
            return 1
        fi
    fi
    local port
    for _ in 1 2 3; do
        port=$(free_port)
        write_config "$dir" "$port" "$https"
        if "$apache" -f "$dir/httpd.conf" -k start 2>>"$dir/error.log"; then
            # Bounded wait until it answers (401 without the account).
            for _ in $(seq 100); do
                code=$(curl -s -k -o /dev/null -w '%{http_code}' --max-time 2 \
                    "$scheme://127.0.0.1:$port/dav/" || true)
                if [ "$code" = 401 ]; then
                    echo "$scheme://127.0.0.1:$port/dav/"
                    return 0
                fi
                if [ "$code" != 000 ]; then
                    echo "Apache answers $code; see $dir/error.log" >&2
                    stop "$dir"
                    return 1
                fi
                sleep 0.05
            done
        fi
        stop "$dir"
    done
    echo "Apache did not start; see $dir/error.log" >&2
    return 1
}

[ $# -ge 2 ] || usage
case $1 in
start) start "$2" "${3:-}" ;;
stop) stop "$2" ;;
*) usage ;;
esac
