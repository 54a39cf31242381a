#!/ usr / bin / env bash
#Installs every Debian package the build, the programs and the tests need(as root, or
#through sudo).Packages already present are left alone, so it is cheap to run again.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-webengine-dev qt6-webchannel-dev
    libqt6svg6 qt6-image-formats-plugins qt6-qpa-plugins
    libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev libavfilter-dev
    libtinyxml2-dev
    libgtest-dev libgmock-dev
    fonts-nanum fonts-liberation
    xvfb xdotool x11-utils imagemagick pulseaudio pulseaudio-utils sox ffmpeg python3
    desktop-file-utils gpsbabel libxml2-utils openbox
    dbus playerctl
    clang libclang-rt-14-dev clang-format clang-tidy
)

missing=()
for p in "${packages[@]}";
do
    if
        !dpkg - query - W - f = '${Status}' "$p" 2 > / dev / null | grep - q "install ok installed";
then missing += ("$p")fi done[$ { #missing[@] } - eq 0]&& exit 0

    sudo = ""["$(id -u)" - eq 0] || sudo =
               "sudo" echo "installing: ${missing[*]}" $sudo apt - get update - q DEBIAN_FRONTEND =
                   noninteractive $sudo apt - get install - y - q-- no - install -
                   recommends "${missing[@]}"
