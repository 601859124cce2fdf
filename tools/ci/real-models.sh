#!/bin/sh
# Converts real models from the assimp-testmodels package (ASE, 3DS, OBJ,
# Collada, glTF, Blender, STL, Source SMD, Quake MD2 and MDC, FBX,
# MilkShape, AC3D, LightWave and 3MF; with textures where the package has them; the Collada teapots have
# opacity 0 on every material and must still show), renders each one
# headless from its own "tarnconv scene" folder and checks that the run ends
# cleanly, that the picture shows something and that the models with
# pictures got their textures (the Collada earth names its picture from a
# Windows drive's root in other case; the MD2 skins lie beside the models).
# With --sheet FILE, the pictures also go into one contact sheet.
#
# usage: tools/ci/real-models.sh [BUILD_DIR] [--sheet FILE]   (default: build)
# needs: BUILD_DIR/tarnconv, BUILD_DIR/tarnview-headless, python3 (standard
# library only), the assimp-testmodels package.
set -eu

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SHEET=
BUILD_ARG=
while [ $# -gt 0 ]; do
    case $1 in
        --sheet) SHEET=${2:?--sheet needs a file}; shift 2 ;;
        *) BUILD_ARG=$1; shift ;;
    esac
done
BUILD=$(cd "${BUILD_ARG:-$ROOT/build}" && pwd)
MODELS=${ASSIMP_MODELS:-/usr/share/assimp/models}
OUT=${OUT_DIR:-$ROOT/out/real-models}

for tool in tarnconv tarnview-headless; do
    if [ ! -x "$BUILD/$tool" ]; then
        echo "real-models: $BUILD/$tool is missing; build it first" >&2
        exit 2
    fi
done
if [ ! -d "$MODELS" ]; then
    echo "real-models: $MODELS not found (install assimp-testmodels or set ASSIMP_MODELS)" >&2
    exit 2
fi

# name, model (relative to $MODELS), tarnconv options. The Wuson, modelled
# facing its -z, is shown with --front; the Blender, STL and SMD models are
# Z-up and MD2 models face +x by their formats' conventions. The LightWave
# cube names its axes on its faces: +Y on top, -X on the left and -Z (the
# front in LightWave's left-handed frame) on the right.
LIST='
ase-cubes       ASE/ThreeCubesGreen.ASE
ase-uvplane     ASE/TestUVTransform/UVTransform_Normal.ASE
ase-rotcube     ASE/RotatingCube.ASE
3ds-textured    3DS/cube_with_diffuse_texture.3DS
3ds-fels        3DS/fels.3ds
obj-spider      OBJ/spider.obj
obj-wuson-front-z OBJ/WusonOBJ.obj                              --front -z
dae-teapots     Collada/teapots.DAE
dae-duck        Collada/duck.dae
dae-earth       Collada/earthCylindrical.DAE
gltf-box        glTF2/BoxTextured-glTF-Binary/BoxTextured.glb
gltf-engine     glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb
blend-human     BLEND/HUMAN.blend
blend-suzanne   BLEND/Suzanne_248.blend
stl-spider      STL/Spider_binary.stl
smd-grail       SMD/holy_grailref.smd
md2-sydney      MD2/sydney.md2
md2-faerie      MD2/faerie.md2
fbx-mirrored    FBX/cubes_with_mirroring_and_pivot.fbx
fbx-spider      FBX/spider.fbx
ms3d-jeep       MS3D/jeep1.ms3d
ac-earth        AC/SphereWithLight.ac
lwo-axes        LWO/LWO2/boxuv.lwo
mdc-spider      MDC/spider.mdc
3mf-box         3MF/box.3mf
'
# Models whose folders must hold textures.
TEXTURED="3ds-textured obj-spider dae-duck dae-earth gltf-box md2-sydney md2-faerie fbx-spider ms3d-jeep"
TEXTURED="$TEXTURED ac-earth lwo-axes"

# Share of the view area's pixels that are not black (the background); the
# area stays inside the white view frame and above the frame-rate text.
check_png() {
    python3 - "$1" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG file"
pos, idat, w, h, ctype = 8, b"", 0, 0, 0
while pos < len(data):
    n, kind = struct.unpack(">I4s", data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + n]
    if kind == b"IHDR":
        w, h, depth, ctype = struct.unpack(">IIBB", body[:10])
        assert depth == 8, "unexpected bit depth"
    elif kind == b"IDAT":
        idat += body
    pos += 12 + n
bpp = {2: 3, 6: 4}[ctype]
raw = zlib.decompress(idat)
stride = w * bpp
rows, prev = [], bytearray(stride)
for y in range(h):
    f = raw[y * (stride + 1)]
    line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for i in range(stride):
        a = line[i - bpp] if i >= bpp else 0
        b = prev[i]
        c = prev[i - bpp] if i >= bpp else 0
        if f == 1: line[i] = (line[i] + a) & 255
        elif f == 2: line[i] = (line[i] + b) & 255
        elif f == 3: line[i] = (line[i] + (a + b) // 2) & 255
        elif f == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    rows.append(line)
    prev = line
lit = total = 0
for y in range(h // 8, h - h // 8):
    for x in range(w // 8, w - w // 8):
        r, g, b = rows[y][x * bpp:x * bpp + 3]
        total += 1
        if max(r, g, b) > 24:
            lit += 1
share = lit / total
print("%.1f%% of the view shows the model" % (100 * share))
sys.exit(0 if share > 0.01 else 1)
PY
}

mkdir -p "$OUT"
failed=0
pictures=
list=$(mktemp)
trap 'rm -f "$list"' EXIT
printf '%s\n' "$LIST" > "$list"
while read -r name model options; do
    [ -n "$name" ] || continue
    dir=$OUT/$name
    rm -rf "$dir"
    echo "== $name: $MODELS/$model $options"
    # $options is split into words on purpose.
    # shellcheck disable=SC2086
    if ! "$BUILD/tarnconv" scene "$dir" "$MODELS/$model" $options; then
        echo "FAIL $name: conversion failed" >&2
        failed=$((failed + 1))
        continue
    fi
    if ! (cd "$dir" && "$BUILD/tarnview-headless" --frames 5 --no-calibrate --screenshot "$dir/$name.png" \
            > "$dir/run.log" 2>&1); then
        echo "FAIL $name: the viewer did not end cleanly:" >&2
        cat "$dir/run.log" >&2
        failed=$((failed + 1))
        continue
    fi
    if ! check_png "$dir/$name.png"; then
        echo "FAIL $name: the picture is empty ($dir/$name.png)" >&2
        failed=$((failed + 1))
        continue
    fi
    case " $TEXTURED " in
        *" $name "*)
            if ! ls "$dir"/*.3df | grep -qv '/ffont\.3df$'; then
                echo "FAIL $name: no texture was converted" >&2
                failed=$((failed + 1))
                continue
            fi ;;
    esac
    pictures="$pictures $dir/$name.png"
    echo "ok   $name ($dir/$name.png)"
done < "$list"
# One model straight into the viewer through the cache, twice: the second
# run must find the converted scene.
box=$MODELS/glTF2/BoxTextured-glTF-Binary/BoxTextured.glb
rm -rf "$OUT/cache"
for run in 1 2; do
    if XDG_CACHE_HOME=$OUT/cache "$BUILD/tarnconv" view "$box" --headless --screenshot "$OUT/view$run.png" \
            > "$OUT/view$run.log" 2>&1 && check_png "$OUT/view$run.png"; then
        echo "ok   view run $run ($OUT/view$run.png)"
    else
        echo "FAIL view run $run:" >&2
        cat "$OUT/view$run.log" >&2
        failed=$((failed + 1))
    fi
done
if ! grep -q "using the cached scene" "$OUT/view2.log"; then
    echo "FAIL view: the second run converted again" >&2
    failed=$((failed + 1))
fi
# A damaged entry: the viewer refuses it, so it is converted again.
entry=$(sed -n 's/^tarnconv: using the cached scene //p' "$OUT/view2.log")
if [ -n "$entry" ] && : > "$entry/BoxTextured.3dx" &&
        XDG_CACHE_HOME=$OUT/cache "$BUILD/tarnconv" view "$box" --headless --screenshot "$OUT/view3.png" \
            > "$OUT/view3.log" 2>&1 &&
        grep -q "the viewer refused the cached scene" "$OUT/view3.log" && check_png "$OUT/view3.png"; then
    echo "ok   view of a damaged cache entry ($OUT/view3.png)"
else
    echo "FAIL view of a damaged cache entry:" >&2
    cat "$OUT/view3.log" >&2
    failed=$((failed + 1))
fi
if [ -n "$SHEET" ]; then
    # shellcheck disable=SC2086
    python3 "$ROOT/tools/contact-sheet.py" "$SHEET" $pictures --columns 5 --shrink 3 || failed=$((failed + 1))
fi
if [ "$failed" -ne 0 ]; then
    echo "real-models: $failed model(s) failed" >&2
    exit 1
fi
echo "real-models: all models converted and rendered"
