#!/usr/bin/python3
"""Draws the UPI app images of the payment option tiles into src/resources/images/.

Each image is a plain rounded tile with the app's initials in the component's Metropolis Bold
face (or DejaVu Sans Bold when Pillow cannot read that file): simple marks of our own, not
the apps' logos. Needs Debian's python3-pil. Run from anywhere:

    /usr/bin/python3 scripts/draw-upi-app-images.py
"""

import os

from PIL import Image, ImageDraw, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
IMAGES = os.path.join(ROOT, "src", "resources", "images")
FACES = [
    os.path.join(ROOT, "src", "resources", "fonts", "Metropolis-Bold.ttf"),
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
]

SIZE = 96  # pixels of the written image; tiles show it at 36 points
SCALE = 4  # drawn this much larger, then reduced, for smooth edges
RADIUS = 22

# name: (background, border or None, initials, initials colour, accent bars at the bottom)
TILES = {
    "PhonePe": ("#5F2EA0", None, "Pe", "#FFFFFF", []),
    "paytm": ("#E8F6FD", "#BFE6F8", "Pt", "#0B3C7A", ["#1BA8E0"]),
    "Google_Pay": ("#FFFFFF", "#DADCE0", "G", "#3C4043", ["#4285F4", "#EA4335", "#FBBC04", "#34A853"]),
    "BHIM": ("#FFFFFF", "#DADCE0", "B", "#E4701E", ["#E4701E", "#1E8A3C"]),
    "Tarvel": ("#0A9C4D", None, "T", "#FFFFFF", []),
}


def face(pixels):
    for path in FACES:
        try:
            return ImageFont.truetype(path, pixels)
        except OSError:
            continue
    raise SystemExit("no usable font face found")


def draw_tile(background, border, initials, colour, accents):
    big = SIZE * SCALE
    image = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    inset = SCALE  # one pixel free for the reduced border
    box = (inset, inset, big - inset - 1, big - inset - 1)
    draw.rounded_rectangle(box, radius=RADIUS * SCALE, fill=background,
                           outline=border, width=(2 * SCALE if border else 0))

    font = face(int(big * (0.46 if len(initials) == 1 else 0.40)))
    left, top, right, bottom = draw.textbbox((0, 0), initials, font=font)
    lift = 6 * SCALE if accents else 0
    x = (big - (right - left)) / 2 - left
    y = (big - (bottom - top)) / 2 - top - lift
    draw.text((x, y), initials, font=font, fill=colour)

    if accents:
        bar_width, gap, height = 12 * SCALE, 3 * SCALE, 5 * SCALE
        total = len(accents) * bar_width + (len(accents) - 1) * gap
        x0 = (big - total) / 2
        y0 = big - 22 * SCALE
        for index, accent in enumerate(accents):
            start = x0 + index * (bar_width + gap)
            draw.rounded_rectangle((start, y0, start + bar_width, y0 + height),
                                   radius=height / 2, fill=accent)
    return image.resize((SIZE, SIZE), Image.LANCZOS)


def main():
    for name, tile in TILES.items():
        path = os.path.join(IMAGES, name + ".png")
        draw_tile(*tile).save(path, optimize=True)
        print("wrote", os.path.relpath(path, ROOT))


if __name__ == "__main__":
    main()
