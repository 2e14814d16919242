#pragma once
// QTV-52 モルヴィク as a parametric drawing: a front-view chibi android girl built from body parts
// (hair, head, ear units, dress, apron, arms, legs, boots) posed by a few joint values, with a
// small set of expressions. A picture is one Figure value plus the props it holds; every picture of
// the character is such a value, so a new pose is a new data row, not new drawing code.
//
// Coordinates are pixels of the 170 x 170 picture: x to the right, y downward. In the neutral pose
// she stands with her feet on scan line 169, the head's top near line 20 and the face between lines
// 60 and 94, centred a little left of the picture (column 80). "Left" and "right" below mean the
// picture's left and right, not hers.
#include <QColor>
#include <QPainter>
#include <QPointF>
#include <functional>
#include <optional>
#include <vector>

namespace art {

namespace palette {
inline const QColor outline{0x1B, 0x1D, 0x33};
inline const QColor hair{0xC9, 0xC3, 0xE6}, hairShade{0x9F, 0x97, 0xC9};
inline const QColor skin{0xFB, 0xE3, 0xD3}, skinShade{0xEF, 0xC7, 0xB4};
inline const QColor iris{0x2D, 0xB7, 0xB2}, pupil{0x0F, 0x5E, 0x5C};
inline const QColor dress{0x2E, 0x3C, 0x72}, dressShade{0x22, 0x2D, 0x58};
inline const QColor white{0xF5, 0xF6, 0xFA}, whiteShade{0xD6, 0xD9, 0xE6};
inline const QColor cyan{0x48, 0xE0, 0xF0}, amber{0xFF, 0xB3, 0x40}, red{0xF0, 0x50, 0x58};
inline const QColor boot{0x3E, 0x3A, 0x5C}, bootShade{0x2C, 0x29, 0x44};
inline const QColor metal{0xB4, 0xB8, 0xD0}, metalShade{0x8A, 0x8F, 0xAE};
inline const QColor mouth{0x9A, 0x4E, 0x5E}, blush{0xF6, 0xB8, 0xB8};
inline const QColor zmark{0xA8, 0xF0, 0xF8};
// Her shadow on the floor: darker than any part of her, so it reads as shade, not as a boot.
inline const QColor shadow{0x16, 0x15, 0x24};
} // namespace palette

enum class Eyes { Open, Half, Closed, Wide, Down };
enum class Mouth { Line, Small, O, Open };
enum class Light { Cyan, Amber, Red, Dim };

// What a hand does: a plain mitten, or a hand closed round something it holds.
enum class Hand { Open, Grip };

struct Arm {
    // Either a point the hand reaches for (the elbow bends outward or, with elbowDown, downward) ...
    std::optional<QPointF> reach;
    bool elbowDown = false;
    // ... or two angles in degrees: the upper arm from straight down (positive raises it away from
    // the body), the forearm relative to the upper arm (positive keeps raising, negative folds in).
    double shoulder = 10, elbow = 0;
    Hand hand = Hand::Open;
    bool behindHead = false; // drawn under the head (a slumped or bowed head covers the shoulder)
};

struct Leg {
    double angle = 0; // degrees from straight down, positive away from the body
    double lift = 0;  // how far the foot is raised, in pixels, by bending the knee
};

struct Skeleton; // the joints of a posed figure, for the props

struct Figure {
    QPointF offset{0, 0}; // the whole figure
    double lean = 0;      // upper body around the hips, degrees, positive toward the right
    double bow = 0;       // 0 upright, 1 a deep bow (the face turned to the floor)
    double headTilt = 0;  // degrees around the neck, positive toward the right
    double headDrop = 0;  // extra pixels the head sinks (drowsiness)
    double headWidth = 1; // the head's width, ear units and all, against its usual (a slimmer head)
    double look = 0;      // -1 .. 1: eyes and mouth turned toward the left or the right
    Arm left, right;
    Leg legLeft, legRight;
    Eyes eyes = Eyes::Open;
    Mouth mouth = Mouth::Line;
    Light light = Light::Cyan;
    double skirtWidth = 1;                // the skirt's width against its usual (a ring of light draws it in)
    double prickLeft = 0, prickRight = 0; // pixels an antenna stands further out and up
    double raiseLeft = 0, raiseRight = 0; // pixels an antenna's tip stands higher still, straight up
    bool blush = false;
    bool sweat = false;
    // Props drawn behind the whole figure, between the body and the arms, and in front of all.
    std::vector<std::function<void(QPainter&, const Skeleton&)>> behind, middle, front;
};

struct Skeleton {
    QPointF hip;                  // centre of the hips
    QPointF neck;                 // where the head sits on the body
    QPointF headCentre;           // the middle of the face
    double headAngle = 0;         // degrees
    double headWidth = 1;         // across the head, against its usual
    QPointF shoulderL, shoulderR; // arm joints
    QPointF elbowL, elbowR, handL, handR;
    QPointF footL, footR; // soles' centres
    double bodyAngle = 0;
};

Skeleton pose(const Figure& figure);

// Draws the figure (antialiased, on whatever the painter holds).
void draw(QPainter& painter, const Figure& figure);

// Her head alone at a small size (the tray icon): the head's shapes scaled by factor about centre,
// drawn with lines of the given width in the painter's own pixels, so they stay crisp.
void drawPortrait(QPainter& painter, QPointF centre, double factor, double lineWidth);

// Drawing helpers shared with the props: a filled part with the one-level shade on the side away
// from the light (light from the upper left) and the dark outline.
void part(QPainter& painter, const QPainterPath& path, const QColor& fill, const QColor& shade,
          double outlineWidth = 2.0, double shadeDepth = 3.0);
// A tube along the path (arms, cords, antennae): outline, then fill.
void tube(QPainter& painter, const QPainterPath& path, double width, const QColor& fill);

} // namespace art
