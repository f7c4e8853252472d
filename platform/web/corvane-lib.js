// The web backend's calls into the page (WebPlatform.cpp declares them): each hands its
// arguments to Module.page, which page.js provides. The three that wait suspend the program
// (Asyncify) until the page answers: a message box, the next animation frame, and the hold
// after a scripted run's last frame, which never ends.
mergeInto(LibraryManager.library, {
  corvane_menu_add: function (kind, text, id) {
    Module.page.menuAdd(kind, text ? UTF8ToString(text) : '', id);
  },
  corvane_menu_item: function (id, checked, enabled, checkable) {
    Module.page.menuItem(id, !!checked, !!enabled, !!checkable);
  },
  corvane_title: function (text) { Module.page.title(UTF8ToString(text)); },
  corvane_message_box__deps: ['$Asyncify'],
  corvane_message_box: function (text, caption, yesNo, icon) {
    return Asyncify.handleSleep(function (wakeUp) {
      Module.page.messageBox(UTF8ToString(text), UTF8ToString(caption), !!yesNo, icon, wakeUp);
    });
  },
  corvane_wait_frame__deps: ['$Asyncify'],
  corvane_wait_frame: function () {
    return Asyncify.handleSleep(function (wakeUp) { requestAnimationFrame(function () { wakeUp(); }); });
  },
  corvane_hold__deps: ['$Asyncify'],
  corvane_hold: function () { return Asyncify.handleSleep(function () {}); },
  corvane_ended: function (code) { Module.page.ended(code); },
  corvane_scripted_done: function () { Module.page.scriptedDone(); },
  corvane_context_bits: function () {
    var gl = GLctx;
    return gl.getParameter(gl.RED_BITS) + gl.getParameter(gl.GREEN_BITS) +
      gl.getParameter(gl.BLUE_BITS) + gl.getParameter(gl.ALPHA_BITS) +
      (gl.getParameter(gl.STENCIL_BITS) << 8);
  },
});
