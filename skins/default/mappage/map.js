// The player's map page. The player calls DrawCurrent(lon, lat) with two strings in decimal
// degrees many times a second; the page keeps the vehicle in view, draws the route it has been
// given, and works without network: the graticule underneath is the map when tiles do not load.
'use strict';

(function () {
  const TILE_SIZE = 256;
  const TILE_URL = 'https://tile.openstreetmap.org/{z}/{x}/{y}.png';
  const MIN_ZOOM = 2;
  const MAX_ZOOM = 19;
  const FIRST_FIX_ZOOM = 16;
  const MAX_LATITUDE = 85.05112878;
  // A jump longer than this is a seek or another recording: the route starts a new piece.
  const GAP_METRES = 2000;
  const MAX_POINTS = 20000;
  const GRID_STEPS = [0.0001, 0.0002, 0.0005, 0.001, 0.002, 0.005, 0.01, 0.02, 0.05,
                      0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 45];
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
  const route = document.getElementById('route');
  const tiles = document.getElementById('tiles');
  const mapBox = document.getElementById('map');
  const positionText = document.getElementById('position');
  const attribution = document.getElementById('attribution');
  const followButton = document.getElementById('follow');

  // The view: centre in normalised Web Mercator units (0..1 across the world), zoom level.
  const view = { x: 0.5, y: 0.5, zoom: MIN_ZOOM, follow: true, width: 0, height: 0 };
  const pieces = [];          // route pieces: arrays of {x, y, lon, lat}
  let pointCount = 0;
  let current = null;         // the last position received
  const tileImages = new Map(); // "z/x/y" -> img
  let tilesShown = 0;

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
    return { lon: x * 360 - 180, lat: Math.atan(Math.sinh(n)) * 180 / Math.PI };
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

  // The offline map: a graticule with its degrees written along the left and bottom edges.
  function DrawGrid() {
    const ctx = FitCanvas(grid);
    ctx.fillStyle = COLOURS.ground;
    ctx.fillRect(0, 0, view.width, view.height);
    const step = GridStep();
    const topLeft = Unproject(view.x - view.width / 2 / WorldSize(), view.y - view.height / 2 / WorldSize());
    const bottomRight = Unproject(view.x + view.width / 2 / WorldSize(), view.y + view.height / 2 / WorldSize());
    ctx.font = '10px "Liberation Sans", sans-serif';
    ctx.fillStyle = COLOURS.gridText;
    ctx.lineWidth = 1;
    for (let lon = Math.ceil(topLeft.lon / step) * step; lon <= bottomRight.lon; lon += step) {
      const x = Math.round(ToScreen(Project(lon, 0)).x) + 0.5;
      const major = Math.abs(lon / step / 5 - Math.round(lon / step / 5)) < 1e-6;
      ctx.strokeStyle = major ? COLOURS.gridMajor : COLOURS.gridMinor;
      ctx.beginPath();
      ctx.moveTo(x, 0);
      ctx.lineTo(x, view.height);
      ctx.stroke();
      ctx.fillText(FormatDegrees(lon, step), x + 3, view.height - 5);
    }
    for (let lat = Math.ceil(bottomRight.lat / step) * step; lat <= topLeft.lat; lat += step) {
      const y = Math.round(ToScreen(Project(0, lat)).y) + 0.5;
      const major = Math.abs(lat / step / 5 - Math.round(lat / step / 5)) < 1e-6;
      ctx.strokeStyle = major ? COLOURS.gridMajor : COLOURS.gridMinor;
      ctx.beginPath();
      ctx.moveTo(0, y);
      ctx.lineTo(view.width, y);
      ctx.stroke();
      ctx.fillText(FormatDegrees(lat, step), 5, y - 4);
    }
  }

  function OnTileLoaded(img) {
    img.dataset.state = 'loaded';
    img.style.visibility = 'visible';
    tilesShown++;
    attribution.hidden = false;
    UpdateText();
  }

  function OnTileFailed(img) {
    img.dataset.state = 'failed';
    img.style.visibility = 'hidden';
  }

  // Online map: tiles at the nearest whole zoom level, placed as images over the graticule.
  function PlaceTiles() {
    if (!navigator.onLine) {
      tiles.replaceChildren();
      tileImages.clear();
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
      if (ty < 0 || ty >= count) continue;
      for (let tx = Math.floor(left); tx < left + view.width / tilePixels; tx++) {
        const wrapped = ((tx % count) + count) % count;
        const key = z + '/' + wrapped + '/' + ty + '@' + tx;
        wanted.add(key);
        let img = tileImages.get(key);
        if (!img) {
          img = new Image();
          img.alt = '';
          img.style.visibility = 'hidden';
          img.onload = () => OnTileLoaded(img);
          img.onerror = () => OnTileFailed(img);
          img.src = TILE_URL.replace('{z}', z).replace('{x}', wrapped).replace('{y}', ty);
          tileImages.set(key, img);
          tiles.appendChild(img);
        }
        img.style.transform = 'translate(' + Math.round((tx - left) * tilePixels) + 'px,' +
                              Math.round((ty - top) * tilePixels) + 'px) scale(' + scale + ')';
        img.style.transformOrigin = '0 0';
      }
    }
    for (const [key, img] of tileImages) {
      if (!wanted.has(key)) {
        if (img.dataset.state === 'loaded') tilesShown--;
        img.remove();
        tileImages.delete(key);
      }
    }
  }

  function DrawRoute() {
    const ctx = FitCanvas(route);
    ctx.clearRect(0, 0, view.width, view.height);
    ctx.lineJoin = 'round';
    ctx.lineCap = 'round';
    for (const [width, colour] of [[7, COLOURS.routeCasing], [4, COLOURS.route]]) {
      ctx.lineWidth = width;
      ctx.strokeStyle = colour;
      for (const piece of pieces) {
        if (piece.length < 2) continue;
        ctx.beginPath();
        piece.forEach((p, i) => {
          const s = ToScreen(p);
          if (i === 0) ctx.moveTo(s.x, s.y); else ctx.lineTo(s.x, s.y);
        });
        ctx.stroke();
      }
    }
    if (!current) return;
    const s = ToScreen(current);
    ctx.beginPath();
    ctx.arc(s.x, s.y, 16, 0, 2 * Math.PI);
    ctx.fillStyle = 'rgba(79, 163, 224, 0.22)';
    ctx.fill();
    DrawHeading(ctx, s);
    ctx.beginPath();
    ctx.arc(s.x, s.y, 8, 0, 2 * Math.PI);
    ctx.fillStyle = COLOURS.markerRing;
    ctx.fill();
    ctx.beginPath();
    ctx.arc(s.x, s.y, 6, 0, 2 * Math.PI);
    ctx.fillStyle = COLOURS.marker;
    ctx.fill();
  }

  // A small arrow ahead of the marker, pointing where the vehicle came from the last position.
  function DrawHeading(ctx, s) {
    const piece = pieces[pieces.length - 1];
    if (!piece || piece.length < 2) return;
    const before = ToScreen(piece[piece.length - 2]);
    const angle = Math.atan2(s.y - before.y, s.x - before.x);
    ctx.save();
    ctx.translate(s.x, s.y);
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

  function UpdateText() {
    if (!current) {
      positionText.textContent = 'Waiting for a GPS position';
      return;
    }
    const lat = Math.abs(current.lat).toFixed(6) + '\u00b0 ' + (current.lat < 0 ? 'S' : 'N');
    const lon = Math.abs(current.lon).toFixed(6) + '\u00b0 ' + (current.lon < 0 ? 'W' : 'E');
    positionText.textContent = lat + ', ' + lon + (tilesShown > 0 ? '' : '  \u00b7  offline map');
  }

  function Render() {
    view.width = mapBox.clientWidth;
    view.height = mapBox.clientHeight;
    DrawGrid();
    PlaceTiles();
    DrawRoute();
    UpdateText();
  }

  let framePending = false;
  function RenderSoon() {
    if (framePending) return;
    framePending = true;
    requestAnimationFrame(() => { framePending = false; Render(); });
  }

  function AddToRoute(point) {
    const piece = pieces[pieces.length - 1];
    const last = piece && piece[piece.length - 1];
    if (last && last.lon === point.lon && last.lat === point.lat) return;
    if (!last || DistanceMetres(last, point) > GAP_METRES) pieces.push([point]);
    else piece.push(point);
    if (++pointCount > MAX_POINTS) {
      pieces[0].shift();
      if (pieces[0].length === 0) pieces.shift();
      pointCount--;
    }
  }

  function SetZoom(zoom, anchorX, anchorY) {
    const next = Math.max(MIN_ZOOM, Math.min(MAX_ZOOM, zoom));
    if (next === view.zoom) return;
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

  // Called by the player: longitude and latitude as strings in decimal degrees.
  function DrawCurrent(lon, lat) {
    const longitude = parseFloat(String(lon).trim());
    const latitude = parseFloat(String(lat).trim());
    if (!isFinite(longitude) || !isFinite(latitude) || Math.abs(longitude) > 180 || Math.abs(latitude) > 90) {
      return 'ignored';
    }
    const projected = Project(longitude, latitude);
    const point = { x: projected.x, y: projected.y, lon: longitude, lat: latitude };
    if (!current) view.zoom = FIRST_FIX_ZOOM;
    current = point;
    AddToRoute(point);
    if (view.follow) {
      view.x = point.x;
      view.y = point.y;
    }
    Render();
    return 'ok';
  }

  function InstallInput() {
    let drag = null;
    mapBox.addEventListener('pointerdown', e => {
      drag = { x: e.clientX, y: e.clientY, vx: view.x, vy: view.y };
      mapBox.setPointerCapture(e.pointerId);
      mapBox.classList.add('dragging');
    });
    mapBox.addEventListener('pointermove', e => {
      if (!drag) return;
      const dx = e.clientX - drag.x;
      const dy = e.clientY - drag.y;
      if (view.follow && Math.hypot(dx, dy) < 3) return;
      if (view.follow) SetFollow(false);
      view.x = drag.vx - dx / WorldSize();
      view.y = drag.vy - dy / WorldSize();
      RenderSoon();
    });
    const endDrag = () => { drag = null; mapBox.classList.remove('dragging'); };
    mapBox.addEventListener('pointerup', endDrag);
    mapBox.addEventListener('pointercancel', endDrag);
    mapBox.addEventListener('wheel', e => {
      e.preventDefault();
      SetZoom(view.zoom + (e.deltaY < 0 ? 1 : -1), e.clientX, e.clientY);
    }, { passive: false });
    mapBox.addEventListener('dblclick', e => SetZoom(view.zoom + 1, e.clientX, e.clientY));
    document.getElementById('zoom-in').addEventListener('click', () => SetZoom(view.zoom + 1));
    document.getElementById('zoom-out').addEventListener('click', () => SetZoom(view.zoom - 1));
    followButton.addEventListener('click', () => SetFollow(true));
    window.addEventListener('resize', RenderSoon);
    window.addEventListener('online', RenderSoon);
    window.addEventListener('offline', RenderSoon);
  }

  // The player calls the page's global DrawCurrent by name.
  window.DrawCurrent = DrawCurrent;
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
        tilesShown: tilesShown,
        text: positionText.textContent,
      };
    },
    ScreenOf(lon, lat) { return ToScreen(Project(lon, lat)); },
  };

  InstallInput();
  Render();
})();

