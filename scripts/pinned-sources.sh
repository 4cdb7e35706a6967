# The pinned source archives of scripts/windows-deps/sources.txt, read, found and checked:
# sourced by scripts/build-windows-deps and scripts/pinned-source, which define log and die.
# Columns of sources.txt: file, version, sha256, URL; blank lines and # comments are skipped.
pinned_list=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/windows-deps/sources.txt

# The pins into the arrays files, versions, sums and urls.
read_pins() {
    files=() versions=() sums=() urls=()
    local file version sum url rest
    while read -r file version sum url rest; do
        case "$file" in ''|'#'*) continue ;; esac
        [ -n "$url" ] && [ -z "$rest" ] && [[ $sum =~ ^[0-9a-f]{64}$ ]] ||
            die "$pinned_list: malformed line for $file"
        files+=("$file") versions+=("$version") sums+=("$sum") urls+=("$url")
    done < "$pinned_list"
}

# The archive whose file name starts with $1 (allegro-, SDL2-, SDL2_mixer-, soil-).
archive_index() {
    local i
    for i in "${!files[@]}"; do
        case "${files[$i]}" in "$1"*) echo "$i"; return ;; esac
    done
    die "no archive starting with $1 in $pinned_list"
}

checksum_ok() { [ "$(sha256sum < "$1" | cut -d' ' -f1)" = "$2" ]; }

# The Debian mirror apt is set up with, for URLs of the form debian:pool/...
debian_mirror() {
    if [ -n "${DEBIAN_MIRROR:-}" ]; then echo "${DEBIAN_MIRROR%/}"; return; fi
    local uri
    # shellcheck disable=SC2016 # $(...) is apt's own format syntax
    uri=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Label: Debian' 2>/dev/null |
          awk '$2 !~ /-/ { print $1; exit }') || true
    [ -n "$uri" ] || die "cannot tell the Debian mirror from apt's setup; set DEBIAN_MIRROR=<mirror URL> or pass WINDOWS_SOURCES=<folder holding the archives>"
    echo "${uri%/}"
}

download() { # url destination
    if command -v curl >/dev/null; then
        curl -fsSL --retry 2 --connect-timeout 30 -o "$2" "$1"
    elif command -v wget >/dev/null; then
        wget -q -O "$2" "$1"
    else
        die "neither curl nor wget is installed to download $1"
    fi
}

# Prints the path of archive number $1, checked against its pin: from folder $2 when it is
# given, else from the download folder $3, downloading it there first when it is not yet there.
pinned_path() {
    local i=$1 sources_dir=$2 downloads=$3 f url got
    if [ -n "$sources_dir" ]; then
        [ -d "$sources_dir" ] || die "WINDOWS_SOURCES folder $sources_dir does not exist"
        f=$(cd "$sources_dir" && pwd)/${files[$i]}
        [ -f "$f" ] || die "${files[$i]} is missing from $sources_dir"
        checksum_ok "$f" "${sums[$i]}" ||
            die "checksum mismatch for ${files[$i]} in $sources_dir: expected ${sums[$i]}, got $(sha256sum < "$f" | cut -d' ' -f1)"
        echo "$f"
        return
    fi
    mkdir -p "$downloads"
    f=$downloads/${files[$i]}
    if [ -f "$f" ] && checksum_ok "$f" "${sums[$i]}"; then
        echo "$f"
        return
    fi
    url=${urls[$i]}
    case "$url" in debian:*) url=$(debian_mirror)/${url#debian:} ;; esac
    log "downloading ${files[$i]} from $url"
    rm -f "$f" "$f.part"
    if ! download "$url" "$f.part"; then
        rm -f "$f.part"
        die "could not download ${files[$i]} from $url; pass WINDOWS_SOURCES=<folder holding the archives named in $pinned_list>, or put ${files[$i]} into $downloads"
    fi
    if ! checksum_ok "$f.part" "${sums[$i]}"; then
        got=$(sha256sum < "$f.part" | cut -d' ' -f1)
        rm -f "$f.part"
        die "checksum mismatch for ${files[$i]} downloaded from $url: expected ${sums[$i]}, got $got; pass WINDOWS_SOURCES=<folder holding the archives>"
    fi
    mv -f "$f.part" "$f"
    echo "$f"
}
