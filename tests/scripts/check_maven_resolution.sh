#!/usr/bin/env bash
# The Maven-layout repository as Maven reads it:
# - beside every file, a .md5 and a .sha1 holding its digests; in each artifact folder a
#   maven-metadata.xml naming its group, artifact and every version it holds; every pom with a
#   name, a description, a URL and a licence;
# - Debian's Maven, offline and with strict checksums (-o -C), resolves from the repository as a
#   file:// URL everything the vendor-dependency file names (write_resolution_pom.cmake), and
#   each file it fetched is byte for byte the repository's;
# - the same resolution fails once one .sha1 in a copy of the repository is wrong.
# Maven's plugins come from Debian's /usr/share/maven-repo (libmaven-dependency-plugin-java), as a
# local repository of links, so nothing is fetched from any network.
# Usage: check_maven_resolution.sh <repository> <vendor-dependency json> <work folder>
set -euo pipefail
repository=$(realpath "$1") vendordep=$2 work=$3
here=$(dirname "$0")

command -v mvn >/dev/null || { echo "no mvn: install Debian's maven"; exit 1; }
plugins=/usr/share/maven-repo/org/apache/maven/plugins/maven-dependency-plugin
plugin_version=$(find "$plugins" -name 'maven-dependency-plugin-*.jar' 2>/dev/null |
                 sed 's|.*/maven-dependency-plugin-\(.*\)\.jar$|\1|' | grep -v '^debian$' |
                 sort -V | tail -n1 || true)
[ -n "$plugin_version" ] || { echo "no maven-dependency-plugin in /usr/share/maven-repo:" \
                                   "install libmaven-dependency-plugin-java"; exit 1; }
rm -rf "$work"
mkdir -p "$work"
faults=0
fault() { echo "$*"; faults=$((faults + 1)); }

while IFS= read -r -d '' file; do
  for algorithm in md5 sha1; do
    if [ ! -f "$file.$algorithm" ]; then
      fault "missing ${file#"$repository"/}.$algorithm"
    elif [ "$(tr -d ' \n' < "$file.$algorithm")" != "$("${algorithm}sum" < "$file" | cut -d' ' -f1)" ]; then
      fault "wrong ${file#"$repository"/}.$algorithm"
    fi
  done
done < <(find "$repository" -type f ! -name '*.md5' ! -name '*.sha1' -print0)

while IFS= read -r -d '' pom; do
  relative=${pom#"$repository"/}
  version_folder=$(dirname "$relative")
  artifact_folder=$(dirname "$version_folder")
  version=$(basename "$version_folder") artifact=$(basename "$artifact_folder")
  group=$(dirname "$artifact_folder" | tr / .)
  metadata="$repository/$artifact_folder/maven-metadata.xml"
  if [ ! -f "$metadata" ]; then
    fault "missing $artifact_folder/maven-metadata.xml"
  else
    for element in "<groupId>$group</groupId>" "<artifactId>$artifact</artifactId>" \
                   "<version>$version</version>"; do
      grep -qF "$element" "$metadata" || fault "$artifact_folder/maven-metadata.xml lacks $element"
    done
  fi
  for element in name description url; do
    grep -q "^  <$element>[^<][^<]*</$element>" "$pom" || fault "$relative has no $element"
  done
  tr -d '\n' < "$pom" | grep -q '<licenses> *<license> *<name>[^<][^<]*</name>' ||
    fault "$relative names no licence"
done < <(find "$repository" -name '*.pom' -print0)
[ "$faults" -eq 0 ] || exit 1

# Resolves into a fresh local repository; the fetched files land in <work>/<name>/fetched in the
# repository's layout. Prints Maven's output to <work>/<name>.log.
resolve() {
  local name=$1 url=$2
  mkdir -p "$work/$name/local"
  cp -rs /usr/share/maven-repo/. "$work/$name/local/"
  cmake -DVENDORDEP="$vendordep" -DURL="$url" -DPOM="$work/$name/pom.xml" \
        -P "$here/write_resolution_pom.cmake"
  echo '<settings/>' > "$work/$name/settings.xml"
  mvn -B -o -C -s "$work/$name/settings.xml" -Dmaven.repo.local="$work/$name/local" \
      -Daether.offline.protocols=file -f "$work/$name/pom.xml" \
      "org.apache.maven.plugins:maven-dependency-plugin:$plugin_version:copy-dependencies" \
      -Dmdep.useRepositoryLayout=true -DoutputDirectory="$work/$name/fetched" \
      > "$work/$name.log" 2>&1
}

if ! resolve strict "file://$repository"; then
  cat "$work/strict.log"
  echo "Maven with strict checksums does not resolve from $repository"
  exit 1
fi
fetched=0
while IFS= read -r -d '' file; do
  relative=${file#"$work/strict/fetched/"}
  cmp -s "$file" "$repository/$relative" || fault "Maven fetched $relative unlike the repository's"
  fetched=$((fetched + 1))
done < <(find "$work/strict/fetched" -type f \( -name '*.jar' -o -name '*.zip' \) -print0)
expected=$(grep -c '<dependency>' "$work/strict/pom.xml")
[ "$fetched" -eq "$expected" ] || fault "Maven fetched $fetched files for $expected dependencies"
# Only the season's own: every file fetched is of the vendor-dependency file's version, whatever
# other versions the repository holds.
version=$(sed -n 's/^  "version": "\([^"]*\)".*/\1/p' "$vendordep")
while IFS= read -r -d '' file; do
  [ "$(basename "$(dirname "$file")")" = "$version" ] ||
    fault "Maven fetched ${file#"$work/strict/fetched/"}, which is not of version $version"
done < <(find "$work/strict/fetched" -type f \( -name '*.jar' -o -name '*.zip' \) -print0)
[ "$faults" -eq 0 ] || exit 1

# The same with one .sha1 wrong: the last native archive of the season's.
cp -r "$repository" "$work/broken-repository"
victim=$(find "$work/broken-repository" -path "*/$version/*.zip" | sort | tail -n1)
echo 0000000000000000000000000000000000000000 > "$victim.sha1"
if resolve broken "file://$work/broken-repository"; then
  echo "Maven resolved $(basename "$victim") although its .sha1 is wrong: checksums go unchecked"
  exit 1
fi
if ! grep -q 'Checksum validation failed' "$work/broken.log"; then
  cat "$work/broken.log"
  echo "Maven failed on the wrong .sha1 of $(basename "$victim"), but not for its checksum"
  exit 1
fi
echo "Maven (-o -C) resolved $fetched files from file://$repository, each as the repository holds" \
     "it, and refused a wrong .sha1"
