// The device's screen in the page: pictures pushed by the host (Server-Sent Events),
// touches, keys and wheel scrolls sent back. The host draws everything; this only shows.
"use strict";
(() => {
  const screen = document.getElementById("screen");
  const picture = document.getElementById("picture");
  const device = document.getElementById("device");
  const status = document.getElementById("status");
  const spoken = document.getElementById("spoken");
  const showLock = document.getElementById("show-lock");
  const showSettings = document.getElementById("show-settings");
  const panes = document.getElementById("panes");
  const paneBack = document.getElementById("pane-back");
  const typing = document.getElementById("typing");
  // What tests and people can look at: the frame shown, its description, the sounds heard.
  const state = window.kestrel = { frame: 0, meta: null, sounds: [], vibrations: 0, messages: [] };

  // The token is in the cookie now; it need not stay in the address bar.
  if (location.search) history.replaceState(null, "", "/");

  function say(text) {
    status.textContent = text || "";
    if (text) state.messages.push(text);
  }

  // Inputs go out one after the other, in order.
  let queue = Promise.resolve();
  function send(path, body) {
    queue = queue.then(() => fetch(path, {
      method: "POST", headers: { "Content-Type": "application/json" }, body: JSON.stringify(body),
    }).then(async (reply) => {
      let message = "";
      try { message = (await reply.json()).message || ""; } catch (e) { message = reply.statusText; }
      if (!reply.ok || message) say(message);
    }).catch(() => say("The host does not answer.")));
    return queue;
  }

  let loading = 0;
  function show(frame, meta) {
    const image = new Image();
    const wanted = ++loading;
    image.onload = () => {
      if (wanted !== loading) return;  // a newer frame is on its way
      picture.src = image.src;
      picture.style.width = meta.width + "px";
      picture.style.height = meta.height + "px";
      screen.style.width = meta.width + "px";
      screen.style.height = meta.screenHeight + "px";
      if (!state.meta || state.meta.screen !== meta.screen) screen.scrollTop = 0;
      state.frame = frame;
      state.meta = meta;
      document.title = meta.title;
      spoken.replaceChildren(...meta.texts.map((line) => {
        const p = document.createElement("p");
        p.textContent = line;
        return p;
      }));
      document.body.dataset.frame = String(frame);
      showChoices(meta);
    };
    image.src = "/screen.png?frame=" + frame;
  }

  // The screen buttons, the Settings panes and what is being typed.
  function showChoices(meta) {
    const settings = meta.kind === "settings";
    showLock.setAttribute("aria-pressed", String(!settings));
    showSettings.setAttribute("aria-pressed", String(settings));
    panes.hidden = !settings;
    if (settings) {
      paneBack.disabled = !meta.settings.back;
      const names = meta.settings.panes.join("\n");
      if (panes.dataset.names !== names) {
        panes.dataset.names = names;
        panes.querySelectorAll("button.pane").forEach((b) => b.remove());
        for (const name of meta.settings.panes) {
          const button = document.createElement("button");
          button.type = "button";
          button.className = "pane";
          button.textContent = name;
          button.addEventListener("click", () => send("/screen", { screen: "settings", pane: name }));
          panes.appendChild(button);
        }
      }
      panes.querySelectorAll("button.pane").forEach((b) => b.setAttribute("aria-pressed",
        String(meta.settings.pane === b.textContent || meta.settings.pane.startsWith(b.textContent + "/"))));
    }
    const typed = settings ? meta.settings.typing : null;
    typing.hidden = !meta.keyboard;
    typing.textContent = typed !== null && typed !== undefined ? typed : (meta.keyboard ? "Typing goes to the text field" : "");
  }
  showLock.addEventListener("click", () => send("/screen", { screen: "lock" }));
  showSettings.addEventListener("click", () => send("/screen", { screen: "settings" }));
  paneBack.addEventListener("click", () => send("/screen", { screen: "settings", back: true }));

  function note(event) {
    if (event.type === "sound") {
      state.sounds.push(event);
      const audio = new Audio(event.url);
      audio.play().catch(() => say("A sound is playing: click the page once to let it be heard."));
    } else if (event.type === "vibrate") {
      state.vibrations++;
      device.classList.remove("shake");
      void device.offsetWidth;  // restarts the animation
      device.classList.add("shake");
      if (navigator.vibrate) navigator.vibrate([200, 100, 200]);
    } else if (event.type === "message") {
      say(event.text);
    }
  }

  function connect() {
    const events = new EventSource("/events");
    events.addEventListener("frame", (e) => {
      const data = JSON.parse(e.data);
      show(data.frame, data.meta);
    });
    events.addEventListener("note", (e) => note(JSON.parse(e.data)));
    events.onopen = () => say("");
    events.onerror = () => say("The connection to the host is lost; trying again…");
  }

  // A point of the picture in the screen's points.
  function pointOf(e) {
    const box = picture.getBoundingClientRect();
    const meta = state.meta;
    return { x: (e.clientX - box.left) * meta.width / box.width, y: (e.clientY - box.top) * meta.height / box.height };
  }

  const kDragScroll = 8;
  let finger = null;
  let pendingMove = null;
  screen.addEventListener("pointerdown", (e) => {
    if (!state.meta || e.button > 0) return;
    screen.focus();
    screen.setPointerCapture(e.pointerId);
    const p = pointOf(e);
    finger = { id: e.pointerId, startY: e.clientY, scrollTop: screen.scrollTop, scrolling: false, frame: state.frame };
    send("/touch", { phase: "begin", frame: state.frame, x: p.x, y: p.y });
    e.preventDefault();
  });
  screen.addEventListener("pointermove", (e) => {
    if (!finger || e.pointerId !== finger.id) return;
    if (state.meta.kind !== "page") {
      // The lock screen and Settings are taller than the screen: a drag scrolls them here.
      if (!finger.scrolling && Math.abs(e.clientY - finger.startY) > kDragScroll) {
        finger.scrolling = true;
        const p = pointOf(e);
        send("/touch", { phase: "cancel", frame: finger.frame, x: p.x, y: p.y });
      }
      if (finger.scrolling) screen.scrollTop = finger.scrollTop - (e.clientY - finger.startY);
      return;
    }
    // Only the latest position matters; one move per animation frame.
    const first = pendingMove === null;
    pendingMove = pointOf(e);
    if (first) requestAnimationFrame(() => {
      const p = pendingMove;
      pendingMove = null;
      if (finger) send("/touch", { phase: "move", frame: finger.frame, x: p.x, y: p.y });
    });
  });
  function lift(e, phase) {
    if (!finger || e.pointerId !== finger.id) return;
    const scrolled = finger.scrolling;
    finger = null;
    if (scrolled) return;
    const p = pointOf(e);
    send("/touch", { phase, frame: state.frame, x: p.x, y: p.y });
  }
  screen.addEventListener("pointerup", (e) => lift(e, "end"));
  screen.addEventListener("pointercancel", (e) => lift(e, "cancel"));
  window.addEventListener("pagehide", () => {
    if (finger) fetch("/touch", {
      method: "POST", keepalive: true, headers: { "Content-Type": "application/json" },
      body: JSON.stringify({ phase: "cancel", frame: state.frame, x: 0, y: 0 }),
    });
  });

  let wheel = 0;
  screen.addEventListener("wheel", (e) => {
    if (!state.meta || state.meta.kind !== "page") return;  // the browser scrolls these itself
    e.preventDefault();
    const first = wheel === 0;
    wheel += e.deltaY;
    const p = pointOf(e);
    if (first) requestAnimationFrame(() => {
      const dy = wheel;
      wheel = 0;
      send("/scroll", { frame: state.frame, x: p.x, y: p.y, dy });
    });
  }, { passive: false });

  document.addEventListener("keydown", (e) => {
    if (e.ctrlKey || e.metaKey || e.altKey) return;
    if (!state.meta || !state.meta.keyboard) return;
    if (e.key === "Backspace") send("/key", { key: "Backspace" });
    else if (e.key === "Enter") send("/key", { key: "Enter" });
    else if ([...e.key].length === 1) send("/key", { text: e.key });
    else return;
    e.preventDefault();
  });
  document.addEventListener("paste", (e) => {
    if (!state.meta || !state.meta.keyboard) return;
    const text = e.clipboardData.getData("text/plain");
    if (text) send("/key", { text });
    e.preventDefault();
  });

  connect();
})();
