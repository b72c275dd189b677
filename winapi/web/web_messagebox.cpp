// Message boxes: a modal HTML dialog named by its caption, its text exactly as given,
// OK focused; Return, Space, Esc or a click or tap on OK dismiss it. The program waits
// for it, and no canvas or frame comes before.
#include <emscripten.h>

#include "web_internal.h"

namespace {

EM_JS(void, showBox, (const char16_t* text, const char16_t* caption, int stop), {
  Asyncify.handleSleep((wakeUp) => {
    const dialog = document.createElement('dialog');
    dialog.className = 'box';
    dialog.setAttribute('role', stop ? 'alertdialog' : 'dialog');
    dialog.setAttribute('aria-labelledby', 'box-caption');
    dialog.setAttribute('aria-describedby', 'box-text');
    const title = document.createElement('h1');
    title.id = 'box-caption';
    title.textContent = UTF16ToString(caption);
    const body = document.createElement('p');
    body.id = 'box-text';
    body.textContent = UTF16ToString(text);
    const ok = document.createElement('button');
    ok.textContent = 'OK';
    if (stop) {
        // Windows' stop sign: a white cross on a red disc.
        body.insertAdjacentHTML('afterbegin',
            '<svg class="stop" viewBox="0 0 32 32" aria-hidden="true"><circle cx="16" cy="16" ' +
            'r="15" fill="#d32f2f"/><path d="M10 10l12 12M22 10L10 22" stroke="#fff" ' +
            'stroke-width="3.5" stroke-linecap="round"/></svg>');
    }
    dialog.append(title, body, ok);
    document.body.append(dialog);
    dialog.showModal();
    ok.focus();
    const done = () => {
        dialog.close();
        dialog.remove();
        Module.viewerResume(wakeUp);
    };
    ok.addEventListener('click', done);
    dialog.addEventListener('cancel', (e) => { e.preventDefault(); done(); });
  });
});

}  // namespace

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    WCHAR wideText[512] = {};
    WCHAR wideCaption[256] = {};
    MultiByteToWideChar(1252, 0, text, -1, wideText, 511);
    MultiByteToWideChar(1252, 0, caption, -1, wideCaption, 255);
    showBox(wideText, wideCaption, (type & MB_ICONHAND) != 0);
    return IDOK;
}
