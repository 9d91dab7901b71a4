#!/usr/bin/env bash
# Builds the Debian package corvid-player_<version>_<arch>.deb from this
# source tree and checks it with lintian: any error or warning fails.
#
# Usage: tools/build-deb.sh [OUTPUT_DIR]    (default: build/deb)
#
# dpkg-buildpackage writes its results beside the source tree, so the tree is
# copied into the output folder and built there: nothing lands outside it.
# The last line printed is the path of the .deb.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
output_dir=${1:-$source_dir/build/deb}
# debhelper, lintian and the build's libraries, as the other scripts do.
"$source_dir/tools/setup.sh"

project_version=$(sed -n 's/^project([A-Za-z]* VERSION \([0-9.]*\) .*/\1/p' "$source_dir/CMakeLists.txt")
package_version=$(dpkg-parsechangelog -l "$source_dir/debian/changelog" -S Version)
if [ "$package_version" != "$project_version" ]; then
    echo "debian/changelog is at $package_version but the project is at $project_version:" \
        "add a changelog entry" >&2
    exit 1
fi

mkdir -p "$output_dir"
output_dir=$(cd "$output_dir" && pwd)
tree_parent=$output_dir/tree
tree=$tree_parent/corvid-player-$project_version
rm -rf "$tree_parent"
mkdir -p "$tree"
# The build folders and the repository's history are not part of the source.
tar -C "$source_dir" --exclude=./build --exclude=./.git -cf - . | tar -C "$tree" -xf -

# The machine is shared: two compiler jobs unless the caller says otherwise.
export DEB_BUILD_OPTIONS=${DEB_BUILD_OPTIONS:-parallel=2}
(cd "$tree" && dpkg-buildpackage -us -uc -b)

architecture=$(dpkg-architecture -qDEB_HOST_ARCH)
changes=corvid-player_${project_version}_${architecture}.changes
deb=corvid-player_${project_version}_${architecture}.deb
for result in "$tree_parent"/*.deb "$tree_parent"/*.ddeb "$tree_parent"/*.buildinfo \
    "$tree_parent/$changes"; do
    [ -e "$result" ] && mv -f "$result" "$output_dir/"
done
rm -rf "$tree_parent"

# The .changes names the .deb, its debug symbols and the build information.
lintian --fail-on error,warning --display-info --tag-display-limit 0 "$output_dir/$changes"
echo "lintian: no error and no warning"
echo "$output_dir/$deb"
