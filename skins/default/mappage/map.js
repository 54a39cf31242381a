// The player's map page. The player calls DrawCurrent(lon, lat) with two strings in decimal
// degrees many times a second, ShowRoute(json) once per recording with its whole route (or
// ShowRoute(json, from, to) with a whole trip's, the current recording's times [from, to)
// emphasised, and ShowRoutePart(from, to) when another recording of the trip plays),
// ShowMarks(json) with its incidents and bookmarks,
// SetTilesEnabled('1' | '0') as the machine goes on and off line, and SetSpeedUnit('km/h' |
// 'mph') for the legend. The page keeps the vehicle in view, draws the route coloured by
// speed, reports a click on the route to the player, and works without network: the
// graticule underneath is the map when tiles do not load. Where the player keeps tiles
// (window.roadPlayerTiles names its address), tiles are asked of it, and offline it shows
// the ones it kept.
'use strict';

(function() {
const TILE_SIZE = 256;
const TILE_URL = 'https://tile.openstreetmap.org/{z}/{x}/{y}.png';
// The player's tile keeper: '<scheme>:', then 'live' or 'kept' and the tile's address.
const KEEPER = typeof window.roadPlayerTiles === 'string' ? window.roadPlayerTiles : '';
const MILES_PER_KM = 1 / 1.609344;
const MIN_ZOOM = 2;
const MAX_ZOOM = 19;
const FIRST_FIX_ZOOM = 16;
const MAX_LATITUDE = 85.05112878;
// A jump longer than this is a seek or another recording: the route starts a new piece.
const GAP_METRES = 2000;
const MAX_POINTS = 20000;
// A click this close to the route (pixels) picks the nearest fix.
const CLICK_TOLERANCE = 12;
const MARKER_SIZE = 48;
// Speed colours from standing still to the legend's top speed.
const SPEED_STOPS = [
    [0.0, [76, 196, 132]],
    [0.35, [214, 214, 92]],
    [0.65, [240, 150, 60]],
    [1.0, [226, 70, 64]],
];
const SPEED_BUCKETS = 32;
const GRID_STEPS = [
    0.0001, 0.0002, 0.0005, 0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 20,
    45
];
const COLOURS = {
    ground: '#0c0f13',
    gridMinor: '#19202a',
    gridMajor: '#27303d',
    gridText: '#5a6574',
    routeCasing: 'rgba(9, 11, 14, 0.85)',
    route: '#f0cc60',
    marker: '#4fa3e0',
    markerRing: '#ffffff',
};

const grid = document.getElementById('grid');
const routeCanvas = document.getElementById('route');
const marksCanvas = document.getElementById('marks');
const markerCanvas = document.getElementById('marker');
const tiles = document.getElementById('tiles');
const mapBox = document.getElementById('map');
const positionText = document.getElementById('position');
const attribution = document.getElementById('attribution');
const followButton = document.getElementById('follow');
const legend = document.getElementById('legend');

// The view: centre in normalised Web Mercator units (0..1 across the world), zoom level.
const view = {
    x: 0.5,
    y: 0.5,
    zoom: MIN_ZOOM,
    follow: true,
    width: 0,
    height: 0
};
let pieces = [];  // route pieces: arrays of {x, y, lon, lat[, kmh, ms, index]}
let pointCount = 0;
let current = null;   // the last position received
let gridLabels = [];  // where the graticule's degrees were last written
// The recording's route from ShowRoute; without one the route is the trail of positions.
let route = null;  // {points: [...], topSpeed}
// Of a trip's route: the times [from, to) of the recording that plays, drawn emphasised.
let part = null;
let lastRouteClick = null;
let tilesEnabled = true;
const tileImages = new Map();  // "mode:z/x/y@x" -> img
let tilesShown = 0;
let marks = [];  // incidents and bookmarks: {x, y, lon, lat, kind, label}
let marksVersion = 0;
let keptShown = 0;  // of tilesShown, those the keeper gave from what it kept
let speedUnit = 'km/h';
let speedFactor = 1;  // the unit's speed per km/h

function Project(lon, lat) {
    const clamped = Math.max(-MAX_LATITUDE, Math.min(MAX_LATITUDE, lat));
    const phi = clamped * Math.PI / 180;
    return {
        x: (lon + 180) / 360,
        y: (1 - Math.log(Math.tan(phi) + 1 / Math.cos(phi)) / Math.PI) / 2,
    };
}

function Unproject(x, y) {
    const n = Math.PI - 2 * Math.PI * y;
    return {lon: x * 360 - 180, lat: Math.atan(Math.sinh(n)) * 180 / Math.PI};
}

function WorldSize() { return TILE_SIZE * Math.pow(2, view.zoom); }

function ToScreen(p) {
    const size = WorldSize();
    return {
        x: (p.x - view.x) * size + view.width / 2,
        y: (p.y - view.y) * size + view.height / 2,
    };
}

function DistanceMetres(a, b) {
    const r = 6371000;
    const dLat = (b.lat - a.lat) * Math.PI / 180;
    const dLon = (b.lon - a.lon) * Math.PI / 180;
    const h = Math.sin(dLat / 2) ** 2 +
        Math.cos(a.lat * Math.PI / 180) * Math.cos(b.lat * Math.PI / 180) * Math.sin(dLon / 2) ** 2;
    return 2 * r * Math.asin(Math.min(1, Math.sqrt(h)));
}

function FitCanvas(canvas) {
    const ratio = window.devicePixelRatio || 1;
    const w = Math.round(view.width * ratio);
    const h = Math.round(view.height * ratio);
    if (canvas.width !== w || canvas.height !== h) {
        canvas.width = w;
        canvas.height = h;
        canvas.style.width = view.width + 'px';
        canvas.style.height = view.height + 'px';
    }
    const ctx = canvas.getContext('2d');
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
    return ctx;
}

function GridStep() {
    const degreesPerPixel = 360 / WorldSize();
    const wanted = degreesPerPixel * 80;
    return GRID_STEPS.find(step => step >= wanted) || 45;
}

function FormatDegrees(value, step) {
    const decimals = Math.max(0, Math.ceil(-Math.log10(step) - 1e-9));
    return value.toFixed(decimals) + '\u00b0';
}

// The panels drawn over the map, in the map's coordinates; hidden ones take no room.
function PanelBoxes() {
    const boxes = [];
    for (const element of document.querySelectorAll('.panel')) {
        const r = element.getBoundingClientRect();
        if (!element.hidden && r.width > 0 && r.height > 0)
            boxes.push(r);
    }
    return boxes;
}

const LABEL_HEIGHT = 10;
const LABEL_GAP = 4;

// The offline map: a graticule with its degrees written along the left and bottom edges,
// moved clear of the panels over them (the position box, the legend, the attribution).
function DrawGrid() {
    const ctx = FitCanvas(grid);
    ctx.fillStyle = COLOURS.ground;
    ctx.fillRect(0, 0, view.width, view.height);
    const step = GridStep();
    const topLeft =
        Unproject(view.x - view.width / 2 / WorldSize(), view.y - view.height / 2 / WorldSize());
    const bottomRight =
        Unproject(view.x + view.width / 2 / WorldSize(), view.y + view.height / 2 / WorldSize());
    ctx.font = '10px "Liberation Sans", sans-serif';
    ctx.fillStyle = COLOURS.gridText;
    ctx.lineWidth = 1;
    const panels = PanelBoxes();
    gridLabels = [];
    for (let lon = Math.ceil(topLeft.lon / step) * step; lon <= bottomRight.lon; lon += step) {
        const x = Math.round(ToScreen(Project(lon, 0)).x) + 0.5;
        const major = Math.abs(lon / step / 5 - Math.round(lon / step / 5)) < 1e-6;
        ctx.strokeStyle = major ? COLOURS.gridMajor : COLOURS.gridMinor;
        ctx.beginPath();
        ctx.moveTo(x, 0);
        ctx.lineTo(x, view.height);
        ctx.stroke();
        const text = FormatDegrees(lon, step);
        const width = ctx.measureText(text).width;
        // Along the bottom, raised above a panel standing there.
        let bottom = view.height - 5;
        for (const p of panels) {
            if (x + 3 < p.right && x + 3 + width > p.left && bottom > p.top - LABEL_GAP) {
                bottom = Math.min(bottom, p.top - LABEL_GAP);
            }
        }
        DrawLabel(ctx, text, x + 3, bottom, width);
    }
    for (let lat = Math.ceil(bottomRight.lat / step) * step; lat <= topLeft.lat; lat += step) {
        const y = Math.round(ToScreen(Project(0, lat)).y) + 0.5;
        const major = Math.abs(lat / step / 5 - Math.round(lat / step / 5)) < 1e-6;
        ctx.strokeStyle = major ? COLOURS.gridMajor : COLOURS.gridMinor;
        ctx.beginPath();
        ctx.moveTo(0, y);
        ctx.lineTo(view.width, y);
        ctx.stroke();
        const text = FormatDegrees(lat, step);
        const width = ctx.measureText(text).width;
        // Along the left edge, moved right of a panel standing there.
        let left = 5;
        for (const p of panels) {
            if (y - 4 > p.top && y - 4 - LABEL_HEIGHT < p.bottom && left < p.right + LABEL_GAP) {
                left = Math.max(left, p.right + LABEL_GAP);
            }
        }
        DrawLabel(ctx, text, left, y - 4, width);
    }
}

function DrawLabel(ctx, text, x, baseline, width) {
    ctx.fillText(text, x, baseline);
    gridLabels.push({left: x, top: baseline - LABEL_HEIGHT, right: x + width, bottom: baseline});
}

function OnTileLoaded(img) {
    img.dataset.state = 'loaded';
    img.style.visibility = 'visible';
    tilesShown++;
    if (img.dataset.kept === '1')
        keptShown++;
    if (attribution.hidden) {
        attribution.hidden = false;
        DrawGrid();  // the labels keep clear of it
    }
    UpdateText();
}

function KeptSource(url) { return KEEPER + 'kept?url=' + encodeURIComponent(url); }

// A tile that did not come from the web may still be among those the keeper kept.
function OnTileFailed(img, url) {
    if (KEEPER && img.dataset.kept !== '1') {
        img.dataset.kept = '1';
        img.src = KeptSource(url);
        return;
    }
    img.dataset.state = 'failed';
    img.style.visibility = 'hidden';
}

function ForgetTile(key, img) {
    if (img.dataset.state === 'loaded') {
        tilesShown--;
        if (img.dataset.kept === '1')
            keptShown--;
    }
    img.remove();
    tileImages.delete(key);
}

// The map: tiles at the nearest whole zoom level, placed as images over the graticule; from
// the web while online, else those the keeper kept.
function PlaceTiles() {
    const live = tilesEnabled && navigator.onLine;
    if (!live && !KEEPER) {
        for (const [key, img] of tileImages)
            ForgetTile(key, img);
        return;
    }
    const z = Math.round(view.zoom);
    const count = Math.pow(2, z);
    const scale = WorldSize() / (TILE_SIZE * count);
    const tilePixels = TILE_SIZE * scale;
    const left = view.x * count - view.width / 2 / tilePixels;
    const top = view.y * count - view.height / 2 / tilePixels;
    const wanted = new Set();
    for (let ty = Math.floor(top); ty < top + view.height / tilePixels; ty++) {
        if (ty < 0 || ty >= count)
            continue;
        for (let tx = Math.floor(left); tx < left + view.width / tilePixels; tx++) {
            const wrapped = ((tx % count) + count) % count;
            const key = (live ? 'live:' : 'kept:') + z + '/' + wrapped + '/' + ty + '@' + tx;
            wanted.add(key);
            let img = tileImages.get(key);
            if (!img) {
                const url = TILE_URL.replace('{z}', z).replace('{x}', wrapped).replace('{y}', ty);
                img = new Image();
                img.alt = '';
                img.style.visibility = 'hidden';
                img.onload = () => OnTileLoaded(img);
                img.onerror = () => OnTileFailed(img, url);
                if (!live) {
                    img.dataset.kept = '1';
                    img.src = KeptSource(url);
                } else {
                    img.src = KEEPER ? KEEPER + 'live?url=' + encodeURIComponent(url) : url;
                }
                tileImages.set(key, img);
                tiles.appendChild(img);
            }
            img.style.transform = 'translate(' + Math.round((tx - left) * tilePixels) + 'px,' +
                Math.round((ty - top) * tilePixels) + 'px) scale(' + scale + ')';
            img.style.transformOrigin = '0 0';
        }
    }
    for (const [key, img] of tileImages) {
        if (!wanted.has(key))
            ForgetTile(key, img);
    }
}

// route.topSpeed and the legend are in the chosen unit; fixes keep km/h.
function SpeedColour(speed) {
    const f = Math.max(0, Math.min(1, speed / route.topSpeed));
    for (let i = 1; i < SPEED_STOPS.length; i++) {
        const [f1, c1] = SPEED_STOPS[i];
        if (f <= f1) {
            const [f0, c0] = SPEED_STOPS[i - 1];
            const t = (f - f0) / (f1 - f0);
            const c = c0.map((v, k) => Math.round(v + (c1[k] - v) * t));
            return 'rgb(' + c.join(',') + ')';
        }
    }
    return 'rgb(' + SPEED_STOPS[SPEED_STOPS.length - 1][1].join(',') + ')';
}

function TracePieces(ctx) {
    ctx.beginPath();
    for (const piece of pieces) {
        piece.forEach((p, i) => {
            const s = ToScreen(p);
            if (i === 0)
                ctx.moveTo(s.x, s.y);
            else
                ctx.lineTo(s.x, s.y);
        });
    }
}

// A stretch belongs to the recording its first fix belongs to.
function InPart(a) { return part !== null && a.ms >= part.from && a.ms < part.to; }

function TraceStretches(ctx, keep) {
    ctx.beginPath();
    for (const piece of pieces) {
        for (let i = 1; i < piece.length; i++) {
            if (!keep(piece[i - 1]))
                continue;
            const a = ToScreen(piece[i - 1]);
            const b = ToScreen(piece[i]);
            ctx.moveTo(a.x, a.y);
            ctx.lineTo(b.x, b.y);
        }
    }
}

// Each stretch between two fixes takes the colour of their mean speed, in one of a few
// steps so that stretches of one colour are stroked together.
function SpeedBucket(a, b) {
    const speed = (a.kmh + b.kmh) / 2 * speedFactor;
    return Math.min(SPEED_BUCKETS, Math.round(speed / route.topSpeed * SPEED_BUCKETS));
}

function BucketColour(bucket) { return SpeedColour(bucket / SPEED_BUCKETS * route.topSpeed); }

function StrokeBySpeed(ctx, keep) {
    const buckets = new Map();
    for (const piece of pieces) {
        for (let i = 1; i < piece.length; i++) {
            if (keep && !keep(piece[i - 1]))
                continue;
            const bucket = SpeedBucket(piece[i - 1], piece[i]);
            if (!buckets.has(bucket))
                buckets.set(bucket, []);
            buckets.get(bucket).push(piece[i - 1], piece[i]);
        }
    }
    for (const [bucket, ends] of buckets) {
        ctx.strokeStyle = BucketColour(bucket);
        ctx.beginPath();
        for (let i = 0; i < ends.length; i += 2) {
            const a = ToScreen(ends[i]);
            const b = ToScreen(ends[i + 1]);
            ctx.moveTo(a.x, a.y);
            ctx.lineTo(b.x, b.y);
        }
        ctx.stroke();
    }
}

function DrawRoute() {
    const ctx = FitCanvas(routeCanvas);
    ctx.clearRect(0, 0, view.width, view.height);
    ctx.lineJoin = 'round';
    ctx.lineCap = 'round';
    if (route && part) {
        // The trip around the recording that plays: the same colours, narrower and faded (flat
        // ends, so faded stretches do not darken where they meet).
        ctx.lineCap = 'butt';
        ctx.globalAlpha = 0.5;
        ctx.lineWidth = 5;
        ctx.strokeStyle = COLOURS.routeCasing;
        TraceStretches(ctx, p => !InPart(p));
        ctx.stroke();
        ctx.lineWidth = 2.5;
        StrokeBySpeed(ctx, p => !InPart(p));
        ctx.globalAlpha = 1;
        ctx.lineCap = 'round';
        ctx.lineWidth = 9;
        ctx.strokeStyle = COLOURS.routeCasing;
        TraceStretches(ctx, InPart);
        ctx.stroke();
        ctx.lineWidth = 5;
        StrokeBySpeed(ctx, InPart);
        return;
    }
    ctx.lineWidth = 7;
    ctx.strokeStyle = COLOURS.routeCasing;
    TracePieces(ctx);
    ctx.stroke();
    ctx.lineWidth = 4;
    if (route) {
        StrokeBySpeed(ctx);
    } else {
        ctx.strokeStyle = COLOURS.route;
        TracePieces(ctx);
        ctx.stroke();
    }
}

// The marker is a small layer of its own that moves over the map: a new position redraws
// nothing else while the view stands still, so the page costs little during playback.
function DrawMarker(angle) {
    const ratio = window.devicePixelRatio || 1;
    const size = Math.round(MARKER_SIZE * ratio);
    if (markerCanvas.width !== size) {
        markerCanvas.width = size;
        markerCanvas.height = size;
        markerCanvas.style.width = MARKER_SIZE + 'px';
        markerCanvas.style.height = MARKER_SIZE + 'px';
    }
    const ctx = markerCanvas.getContext('2d');
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
    ctx.clearRect(0, 0, MARKER_SIZE, MARKER_SIZE);
    const c = MARKER_SIZE / 2;
    ctx.beginPath();
    ctx.arc(c, c, 16, 0, 2 * Math.PI);
    ctx.fillStyle = 'rgba(79, 163, 224, 0.22)';
    ctx.fill();
    if (angle !== null) {
        // A small arrow ahead of the marker, pointing the way the vehicle came from the fix before.
        ctx.save();
        ctx.translate(c, c);
        ctx.rotate(angle);
        ctx.beginPath();
        ctx.moveTo(15, 0);
        ctx.lineTo(9, -5);
        ctx.lineTo(9, 5);
        ctx.closePath();
        ctx.fillStyle = COLOURS.marker;
        ctx.fill();
        ctx.restore();
    }
    ctx.beginPath();
    ctx.arc(c, c, 8, 0, 2 * Math.PI);
    ctx.fillStyle = COLOURS.markerRing;
    ctx.fill();
    ctx.beginPath();
    ctx.arc(c, c, 6, 0, 2 * Math.PI);
    ctx.fillStyle = COLOURS.marker;
    ctx.fill();
}

let markerAngle;
function PlaceMarker() {
    if (!current) {
        markerCanvas.style.visibility = 'hidden';
        return;
    }
    const s = ToScreen(current);
    const angle = HeadingAngle(s);
    if (angle !== markerAngle) {
        DrawMarker(angle);
        markerAngle = angle;
    }
    markerCanvas.style.transform = 'translate(' + Math.round(s.x - MARKER_SIZE / 2) + 'px,' +
        Math.round(s.y - MARKER_SIZE / 2) + 'px)';
    markerCanvas.style.visibility = 'visible';
}

// The fix before the marker: along the route when there is one, else the trail's.
function PointBefore() {
    if (route && current.index !== undefined) {
        const points = route.points;
        if (current.index > 0)
            return points[current.index - 1];
        return null;
    }
    const piece = pieces[pieces.length - 1];
    return piece && piece.length >= 2 ? piece[piece.length - 2] : null;
}

// The direction the vehicle came from the fix before, in screen radians; null without one.
function HeadingAngle(s) {
    const before = PointBefore();
    if (!before)
        return null;
    const b = ToScreen(before);
    if (b.x === s.x && b.y === s.y)
        return null;
    return Math.atan2(s.y - b.y, s.x - b.x);
}

function UpdateText() {
    const before = positionText.getBoundingClientRect();
    if (!current) {
        positionText.textContent = 'Waiting for a GPS position';
    } else {
        const lat = Math.abs(current.lat).toFixed(6) + '\u00b0 ' + (current.lat < 0 ? 'S' : 'N');
        const lon = Math.abs(current.lon).toFixed(6) + '\u00b0 ' + (current.lon < 0 ? 'W' : 'E');
        let note = '';
        if (tilesShown === 0)
            note = '  \u00b7  offline map';
        else if (keptShown === tilesShown)
            note = '  \u00b7  offline map (kept tiles)';
        positionText.textContent = lat + ', ' + lon + note;
    }
    // The graticule's labels keep clear of the box, whose size follows its text.
    const after = positionText.getBoundingClientRect();
    if (after.width !== before.width || after.height !== before.height)
        DrawGrid();
}

// The map layers are drawn again only when what they show changed.
let layersKey = '';
let routeVersion = 0;
function Render() {
    view.width = mapBox.clientWidth;
    view.height = mapBox.clientHeight;
    if (fitPending && route)
        FitRoute();
    const key = [
        view.x, view.y, view.zoom, view.width, view.height, routeVersion, marksVersion,
        tilesEnabled, navigator.onLine
    ].join();
    if (key !== layersKey) {
        layersKey = key;
        DrawGrid();
        PlaceTiles();
        DrawRoute();
        DrawMarks();
    }
    PlaceMarker();
    UpdateText();
}

let framePending = false;
function RenderSoon() {
    if (framePending)
        return;
    framePending = true;
    requestAnimationFrame(() => {
        framePending = false;
        Render();
    });
}

function AddToRoute(point) {
    const piece = pieces[pieces.length - 1];
    const last = piece && piece[piece.length - 1];
    if (last && last.lon === point.lon && last.lat === point.lat)
        return;
    if (!last || DistanceMetres(last, point) > GAP_METRES)
        pieces.push([point]);
    else
        piece.push(point);
    routeVersion++;
    if (++pointCount > MAX_POINTS) {
        pieces[0].shift();
        if (pieces[0].length === 0)
            pieces.shift();
        pointCount--;
    }
}

function SetZoom(zoom, anchorX, anchorY) {
    const next = Math.max(MIN_ZOOM, Math.min(MAX_ZOOM, zoom));
    if (next === view.zoom)
        return;
    // Keep the world point under the anchor where it is.
    const before = WorldSize();
    const ax = anchorX === undefined ? view.width / 2 : anchorX;
    const ay = anchorY === undefined ? view.height / 2 : anchorY;
    const wx = view.x + (ax - view.width / 2) / before;
    const wy = view.y + (ay - view.height / 2) / before;
    view.zoom = next;
    const after = WorldSize();
    if (!view.follow || !current) {
        view.x = wx - (ax - view.width / 2) / after;
        view.y = wy - (ay - view.height / 2) / after;
    }
    RenderSoon();
}

function SetFollow(follow) {
    view.follow = follow;
    followButton.classList.toggle('active', follow);
    if (follow && current) {
        view.x = current.x;
        view.y = current.y;
    }
    RenderSoon();
}

// The route fix at a position: the one the player pushed, found by its exact degrees near
// the last one, else the nearest.
function RouteIndexOf(point) {
    const points = route.points;
    const start = current && current.index !== undefined ? current.index : 0;
    for (let k = 0; k < points.length; k++) {
        const p = points[(start + k) % points.length];
        if (p.lon === point.lon && p.lat === point.lat)
            return p.index;
    }
    let best = 0;
    let bestDistance = Infinity;
    for (const p of points) {
        const d = (p.x - point.x) ** 2 + (p.y - point.y) ** 2;
        if (d < bestDistance) {
            bestDistance = d;
            best = p.index;
        }
    }
    return best;
}

// With a route the view stands still while the marker moves inside it, so the route stays
// in sight; it moves when the marker nears an edge.
function KeepInView(point) {
    const s = ToScreen(point);
    const margin = Math.min(view.width, view.height) * 0.15;
    if (view.width === 0 || s.x < margin || s.y < margin || s.x > view.width - margin ||
        s.y > view.height - margin) {
        view.x = point.x;
        view.y = point.y;
    }
}

// Called by the player: longitude and latitude as strings in decimal degrees.
function DrawCurrent(lon, lat) {
    const longitude = parseFloat(String(lon).trim());
    const latitude = parseFloat(String(lat).trim());
    if (!isFinite(longitude) || !isFinite(latitude) || Math.abs(longitude) > 180 ||
        Math.abs(latitude) > 90) {
        return 'ignored';
    }
    // The player pushes every tick; a position already shown costs nothing.
    if (current && current.lon === longitude && current.lat === latitude)
        return 'ok';
    const projected = Project(longitude, latitude);
    const point = {x: projected.x, y: projected.y, lon: longitude, lat: latitude};
    if (route) {
        point.index = RouteIndexOf(point);
    } else {
        if (!current)
            view.zoom = FIRST_FIX_ZOOM;
        AddToRoute(point);
    }
    current = point;
    if (view.follow) {
        if (route) {
            KeepInView(point);
        } else {
            view.x = point.x;
            view.y = point.y;
        }
    }
    Render();
    return 'ok';
}

function LegendTop(fastest) { return Math.max(40, Math.ceil(fastest / 20) * 20); }

function UpdateLegend() {
    legend.hidden = !route;
    if (!route)
        return;
    const stops = SPEED_STOPS.map(([f]) => SpeedColour(f * route.topSpeed) + ' ' + (f * 100) + '%');
    document.getElementById('legend-bar').style.background =
        'linear-gradient(to right, ' + stops.join(', ') + ')';
    document.getElementById('legend-mid').textContent = String(route.topSpeed / 2);
    document.getElementById('legend-top').textContent = String(route.topSpeed);
    document.getElementById('legend-unit').textContent = speedUnit;
}

function TopSpeed(points) { return LegendTop(Math.max(...points.map(p => p.kmh * speedFactor))); }

// The whole route in sight; waits for a view that has a size.
let fitPending = false;
function FitRoute() {
    if (view.width <= 0 || view.height <= 0) {
        fitPending = true;
        return;
    }
    fitPending = false;
    let minX = Infinity, minY = Infinity, maxX = -Infinity, maxY = -Infinity;
    for (const p of route.points) {
        minX = Math.min(minX, p.x);
        maxX = Math.max(maxX, p.x);
        minY = Math.min(minY, p.y);
        maxY = Math.max(maxY, p.y);
    }
    const pad = 24;
    const fit = Math.log2(Math.min(
        (view.width - 2 * pad) / Math.max(1e-12, (maxX - minX) * TILE_SIZE),
        (view.height - 2 * pad) / Math.max(1e-12, (maxY - minY) * TILE_SIZE)));
    // Quarter steps: tiles come at the nearest whole level and are scaled to the view.
    view.zoom = Math.max(MIN_ZOOM, Math.min(FIRST_FIX_ZOOM, Math.floor(fit * 4) / 4));
    view.x = (minX + maxX) / 2;
    view.y = (minY + maxY) / 2;
}

// Times of a recording within a trip's route; null unless both are numbers in order.
function ReadPart(from, to) {
    const a = parseFloat(String(from));
    const b = parseFloat(String(to));
    return isFinite(a) && isFinite(b) && a < b ? {from: a, to: b} : null;
}

// Called by the player once per recording: a JSON array of [lon, lat, km/h, ms], every
// valid fix in order; with from and to it is a trip's route and [from, to) the recording's
// times in it. An empty route goes back to drawing the trail of positions.
function ShowRoute(json, from, to) {
    let list;
    try {
        list = JSON.parse(String(json));
    } catch (e) {
        return 'ignored';
    }
    if (!Array.isArray(list))
        return 'ignored';
    // The marks shown belonged to the route before; ShowMarks gives the new route's.
    marks = [];
    marksVersion++;
    const points = [];
    for (const item of list) {
        if (!Array.isArray(item) || item.length < 4)
            continue;
        const [lon, lat, kmh, ms] = item.map(Number);
        if (!isFinite(lon) || !isFinite(lat) || Math.abs(lon) > 180 || Math.abs(lat) > 90 ||
            !isFinite(ms))
            continue;
        const p = Project(lon, lat);
        points.push({x: p.x, y: p.y, lon, lat, kmh: kmh > 0 ? kmh : 0, ms, index: points.length});
    }
    pieces = [];
    pointCount = 0;
    current = null;
    lastRouteClick = null;
    route = null;
    part = from === undefined ? null : ReadPart(from, to);
    routeVersion++;
    if (points.length > 0) {
        route = {points, topSpeed: TopSpeed(points)};
        for (const p of points) {
            const piece = pieces[pieces.length - 1];
            const last = piece && piece[piece.length - 1];
            if (!last || DistanceMetres(last, p) > GAP_METRES)
                pieces.push([p]);
            else
                piece.push(p);
        }
        pointCount = points.length;
        view.width = mapBox.clientWidth;
        view.height = mapBox.clientHeight;
        FitRoute();
        SetFollow(true);
    }
    UpdateLegend();
    Render();
    return String(points.length);
}

// Called by the player when another recording of the trip shown plays.
function ShowRoutePart(from, to) {
    const next = ReadPart(from, to);
    if (!route || !next)
        return 'ignored';
    part = next;
    routeVersion++;
    RenderSoon();
    return 'ok';
}

// Called by the player: 'mph', or km/h for anything else.
function SetSpeedUnit(unit) {
    const mph = String(unit).trim() === 'mph';
    speedUnit = mph ? 'mph' : 'km/h';
    speedFactor = mph ? MILES_PER_KM : 1;
    if (route) {
        route.topSpeed = TopSpeed(route.points);
        routeVersion++;
    }
    UpdateLegend();
    RenderSoon();
    return speedUnit;
}

function SetTilesEnabled(on) {
    tilesEnabled = on === true || String(on).trim() === '1';
    RenderSoon();
    return tilesEnabled ? 'on' : 'off';
}

function DistanceToSegment(p, a, b) {
    const dx = b.x - a.x;
    const dy = b.y - a.y;
    const length = dx * dx + dy * dy;
    const t =
        length === 0 ? 0 : Math.max(0, Math.min(1, ((p.x - a.x) * dx + (p.y - a.y) * dy) / length));
    return Math.hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

// A click near the route picks the nearer end of the nearest stretch and tells the player
// its time; a click elsewhere is only a click on the map.
function RouteClickAt(x, y) {
    lastRouteClick = null;
    if (!route)
        return null;
    const click = {x, y};
    let best = null;
    let bestDistance = Infinity;
    for (const piece of pieces) {
        for (let i = 0; i < piece.length; i++) {
            const a = ToScreen(piece[i]);
            const b = ToScreen(piece[Math.min(i + 1, piece.length - 1)]);
            const d = DistanceToSegment(click, a, b);
            if (d < bestDistance) {
                bestDistance = d;
                const nearer = Math.hypot(a.x - x, a.y - y) <= Math.hypot(b.x - x, b.y - y);
                best = nearer ? piece[i] : piece[Math.min(i + 1, piece.length - 1)];
            }
        }
    }
    if (!best || bestDistance > CLICK_TOLERANCE)
        return null;
    lastRouteClick = best.ms;
    if (window.roadPlayer && typeof window.roadPlayer.RouteClicked === 'function') {
        window.roadPlayer.RouteClicked(best.ms);
    }
    return best.ms;
}

function InstallInput() {
    let drag = null;
    mapBox.addEventListener('pointerdown', e => {
        drag = {x: e.clientX, y: e.clientY, vx: view.x, vy: view.y, moved: false};
        try {
            mapBox.setPointerCapture(e.pointerId);
        } catch (error) {
            // a pointer the browser no longer tracks: the drag works without capture
        }
        mapBox.classList.add('dragging');
    });
    mapBox.addEventListener('pointermove', e => {
        if (!drag)
            return;
        const dx = e.clientX - drag.x;
        const dy = e.clientY - drag.y;
        if (!drag.moved && Math.hypot(dx, dy) < 3)
            return;
        drag.moved = true;
        if (view.follow)
            SetFollow(false);
        view.x = drag.vx - dx / WorldSize();
        view.y = drag.vy - dy / WorldSize();
        RenderSoon();
    });
    const endDrag = () => {
        drag = null;
        mapBox.classList.remove('dragging');
    };
    mapBox.addEventListener('pointerup', e => {
        const click = drag && !drag.moved && e.button === 0;
        endDrag();
        if (click)
            RouteClickAt(e.clientX, e.clientY);
    });
    mapBox.addEventListener('pointercancel', endDrag);
    mapBox.addEventListener('wheel', e => {
        e.preventDefault();
        SetZoom(view.zoom + (e.deltaY < 0 ? 1 : -1), e.clientX, e.clientY);
    }, {passive: false});
    mapBox.addEventListener('dblclick', e => SetZoom(view.zoom + 1, e.clientX, e.clientY));
    document.getElementById('zoom-in').addEventListener('click', () => SetZoom(view.zoom + 1));
    document.getElementById('zoom-out').addEventListener('click', () => SetZoom(view.zoom - 1));
    followButton.addEventListener('click', () => SetFollow(true));
    window.addEventListener('resize', RenderSoon);
    window.addEventListener('online', RenderSoon);
    window.addEventListener('offline', RenderSoon);
}

// The recording's incidents and bookmarks: icons on the route where each happened, coloured
// by kind. ShowMarks(json) takes a JSON array of [lon, lat, kind, label] and replaces them.
const MARK_COLOURS = {
    braking: '#e74c3c',
    acceleration: '#2ecc71',
    cornering: '#f1c40f',
    impact: '#9b59b6',
    motion: '#e67e22',
    bookmark: '#f5f5f5',
};
const MARK_RADIUS = 7;
function DrawMarks() {
    const ctx = FitCanvas(marksCanvas);
    ctx.clearRect(0, 0, view.width, view.height);
    for (const mark of marks) {
        const s = ToScreen(mark);
        ctx.beginPath();
        if (mark.kind === 'bookmark') {
            // A bookmark is a diamond, an incident a disc.
            ctx.moveTo(s.x, s.y - MARK_RADIUS - 1);
            ctx.lineTo(s.x + MARK_RADIUS + 1, s.y);
            ctx.lineTo(s.x, s.y + MARK_RADIUS + 1);
            ctx.lineTo(s.x - MARK_RADIUS - 1, s.y);
            ctx.closePath();
        } else {
            ctx.arc(s.x, s.y, MARK_RADIUS, 0, 2 * Math.PI);
        }
        ctx.fillStyle = MARK_COLOURS[mark.kind] || '#ffffff';
        ctx.fill();
        ctx.lineWidth = 2;
        ctx.strokeStyle = mark.kind === 'bookmark' ? COLOURS.routeCasing : COLOURS.markerRing;
        ctx.stroke();
        if (mark.kind !== 'bookmark') {
            ctx.fillStyle = COLOURS.markerRing;
            ctx.fillRect(s.x - 1, s.y - 4, 2, 5);
            ctx.fillRect(s.x - 1, s.y + 2, 2, 2);
        }
    }
}

function ShowMarks(json) {
    let list;
    try {
        list = JSON.parse(String(json));
    } catch (e) {
        return 'ignored';
    }
    if (!Array.isArray(list))
        return 'ignored';
    marks = [];
    for (const item of list) {
        if (!Array.isArray(item) || item.length < 3)
            continue;
        const lon = Number(item[0]);
        const lat = Number(item[1]);
        if (!isFinite(lon) || !isFinite(lat) || Math.abs(lon) > 180 || Math.abs(lat) > 90)
            continue;
        const p = Project(lon, lat);
        marks.push({x: p.x, y: p.y, lon, lat, kind: String(item[2]), label: String(item[3] || '')});
    }
    marksVersion++;
    RenderSoon();
    return String(marks.length);
}

// The player calls the page's global functions by name.
window.ShowMarks = ShowMarks;
window.DrawCurrent = DrawCurrent;
window.ShowRoute = ShowRoute;
window.ShowRoutePart = ShowRoutePart;
window.SetTilesEnabled = SetTilesEnabled;
window.SetSpeedUnit = SetSpeedUnit;
// Read-only view of the page's state, for whoever embeds or checks the page.
window.RoadMap = {
    State() {
        const marker = current ? ToScreen(current) : null;
        return {
            lon: current ? current.lon : null,
            lat: current ? current.lat : null,
            markerX: marker ? marker.x : null,
            markerY: marker ? marker.y : null,
            zoom: view.zoom,
            follow: view.follow,
            width: view.width,
            height: view.height,
            routePoints: pointCount,
            routePieces: pieces.length,
            routeGiven: route !== null,
            topSpeed: route ? route.topSpeed : null,
            routeIndex: current && current.index !== undefined ? current.index : null,
            routePart: part ? [part.from, part.to] : null,
            lastRouteClick: lastRouteClick,
            legendShown: !legend.hidden,
            gridLabels: gridLabels,
            panels: PanelBoxes().map(
                r => ({left: r.left, top: r.top, right: r.right, bottom: r.bottom})),
            tilesEnabled: tilesEnabled,
            tilesShown: tilesShown,
            keptShown: keptShown,
            speedUnit: speedUnit,
            text: positionText.textContent,
        };
    },
    ScreenOf(lon, lat) { return ToScreen(Project(lon, lat)); },
    // The colour of the stretch from route fix i to fix i + 1, as "rgb(r,g,b)".
    RouteColour(i) {
        if (!route || i < 0 || i + 1 >= route.points.length)
            return null;
        return BucketColour(SpeedBucket(route.points[i], route.points[i + 1]));
    },
};

// The marks shown and where they are on the screen.
window.RoadMap.Marks = () => marks.map(m => {
    const s = ToScreen(m);
    return {kind: m.kind, label: m.label, x: s.x, y: s.y};
});

InstallInput();
Render();
})();
