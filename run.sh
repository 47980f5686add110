#!/usr/bin/env bash
# Installs the packages, builds, stages the program folder build/app/ and starts the program.
# On a first start (no build/app/Logp.dat) it sets up a platform simulator and an FTP server on
# loopback and writes a Logp.dat that points at them; later starts bring the same two up again.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"

APP=build/app
PEERS="$APP/local-peers.env"
# Debian's python3 carries pyftpdlib; a python3 earlier on PATH may not.
PY=/usr/bin/python3
[ -x "$PY" ] || PY=python3

free_port() {
  "$PY" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

if [ ! -f "$APP/Logp.dat" ]; then
  SIM_PORT=$(free_port)
  FTP_PORT=$(free_port)
  while [ "$FTP_PORT" = "$SIM_PORT" ]; do FTP_PORT=$(free_port); done
  ECODE=1001
  USER_NAME=admin
  PASSWORD=$("$PY" -c 'import secrets; print(secrets.token_hex(4))')
  FTP_USER=xingfan
  FTP_PASSWORD=$("$PY" -c 'import secrets; print(secrets.token_hex(4))')
  # A fresh account: no password left over from an earlier simulator.
  rm -f "$APP/platform-sim.state"
  (
    umask 077
    cat >"$PEERS" <<EOF
SIM_PORT=$SIM_PORT
FTP_PORT=$FTP_PORT
ECODE=$ECODE
USER_NAME=$USER_NAME
PASSWORD=$PASSWORD
FTP_USER=$FTP_USER
FTP_PASSWORD=$FTP_PASSWORD
EOF
    # The settings file is GBK with CR LF line ends, readable by its owner only.
    printf '%s\r\n' \
      "[登陆信息]" \
      "短信服务器地址=127.0.0.1:$SIM_PORT" \
      "彩信服务器地址=127.0.0.1:$SIM_PORT" \
      "公告服务器地址=127.0.0.1:$SIM_PORT" \
      "企业代码=$ECODE" \
      "用户名=$USER_NAME" \
      "登陆密码=" \
      "扩展号=" \
      "是否记住=0" \
      "彩信发送者手机号=13500000000" \
      "Ftp服务器地址=127.0.0.1" \
      "Ftp端口=$FTP_PORT" \
      "Ftp用户名=$FTP_USER" \
      "Ftp密码=$FTP_PASSWORD" \
      "资源下载地址=http://127.0.0.1:$SIM_PORT/files" \
      "流水号=0" | iconv -f UTF-8 -t CP936 >"$APP/Logp.dat"
  )
  echo "First start: a local service platform and FTP server were set up for this program folder."
  echo "  企业代码 (enterprise code): $ECODE"
  echo "  用户名   (user name):       $USER_NAME"
  echo "  登陆密码 (password):        $PASSWORD"
  echo "  (kept in $PEERS)"
fi

PIDS=()
cleanup() {
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done
}
trap cleanup EXIT

wait_port() {
  for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
    sleep 0.1
  done
  echo "warning: nothing answers on 127.0.0.1:$1" >&2
}

if [ -f "$PEERS" ]; then
  # shellcheck disable=SC1090
  . "$PEERS"
  mkdir -p "$APP/ftp-root"
  # The simulator keeps a password changed in the program across restarts in its state file.
  STATE="$APP/platform-sim.state"
  if [ -f "$STATE" ]; then
    SAVED=$(sed -n 's/^password=//p' "$STATE" | head -n 1)
    if [ -n "$SAVED" ]; then PASSWORD=$SAVED; fi
  fi
  "$APP/platform-sim" --port "$SIM_PORT" --ecode "$ECODE" --user "$USER_NAME" --password "$PASSWORD" \
    --files "$APP/ftp-root" --state "$STATE" >"$APP/platform-sim.log" 2>&1 &
  PIDS+=($!)
  "$PY" -m pyftpdlib -i 127.0.0.1 -p "$FTP_PORT" -w -d "$APP/ftp-root" \
    -u "$FTP_USER" -P "$FTP_PASSWORD" >"$APP/ftp.log" 2>&1 &
  PIDS+=($!)
  wait_port "$SIM_PORT"
  wait_port "$FTP_PORT"
  echo "Local service platform on 127.0.0.1:$SIM_PORT, FTP on 127.0.0.1:$FTP_PORT (log in as $ECODE / $USER_NAME / $PASSWORD)."
fi

./build/app/XingFan "$@"
