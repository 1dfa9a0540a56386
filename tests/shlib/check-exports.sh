#!/usr/bin/env bash
# check-exports.sh LIBRARY MODULE
# The shared component's interface: LIBRARY (libtarvel-checkout.so) exports the public API and
# the functions its web module uses (tarvel::module_api), and nothing of its internals
# (tarvel::detail) or of the libraries it is built with (nlohmann JSON, libcurl, cpp-httplib,
# OpenSSL); its SONAME carries the version and it does not link Qt WebEngine. MODULE, the web
# checkout module of the shared build, links LIBRARY by its SONAME.
set -euo pipefail
lib=$1 module=$2

exports=$(nm -D --defined-only "$lib" | awk '{ $1 = ""; $2 = ""; sub(/^  /, ""); print }' | c++filt)
count=$(printf '%s\n' "$exports" | grep -c .)
echo "check-exports: $count symbols exported by $(basename "$lib")"

# A symbol is judged by the entity it names, not by the types in its signature (a public
# function may take a Dictionary, which is nlohmann::json).
entities=$(printf '%s\n' "$exports" |
  sed -E 's/^(typeinfo name for|typeinfo for|vtable for|VTT for|construction vtable for|guard variable for|non-virtual thunk to|virtual thunk to) //')
forbidden=$(printf '%s\n' "$entities" | grep -E \
  '^(tarvel::detail::|nlohmann::|httplib::|(Curl|curl|SSL|TLS|DTLS|EVP|X509|CRYPTO|OPENSSL|BIO|ERR|PEM|ASN1|BN|RSA|EC|RAND|OBJ|HMAC|d2i|i2d)_)' || true)
# Internals also show up as template arguments of an exported instantiation.
detail=$(printf '%s\n' "$exports" | grep -F 'tarvel::detail' || true)
status=0
if [ -n "$forbidden$detail" ]; then
  echo "check-exports: symbols that must stay inside the library:" >&2
  printf '%s\n%s\n' "$forbidden" "$detail" | sort -u | grep . >&2
  status=1
fi
# The public API is there: the entry object and the run-time version.
for wanted in 'tarvel::TarvelCheckout::openCart(' 'tarvel::version()' 'tarvel::log(' \
              'typeinfo for tarvel::CheckoutScreen' 'tarvel::module_api::runOnMainQueue('; do
  grep -qF "$wanted" <<<"$exports" ||
    { echo "check-exports: $wanted is not exported" >&2; status=1; }
done

soname=$(objdump -p "$lib" | awk '$1 == "SONAME" { print $2 }')
echo "check-exports: SONAME $soname"
[[ $soname =~ ^libtarvel-checkout\.so\.[0-9]+(\.[0-9]+)?$ ]] ||
  { echo "check-exports: unexpected SONAME '$soname'" >&2; status=1; }
if objdump -p "$lib" | awk '$1 == "NEEDED"' | grep -i webengine; then
  echo "check-exports: the component links Qt WebEngine" >&2; status=1
fi
objdump -p "$module" | awk '$1 == "NEEDED" { print $2 }' | grep -qxF "$soname" ||
  { echo "check-exports: the web module does not link $soname" >&2; status=1; }
exit $status
