// Canvas.java - desktop test implementation: repaints go to one persistent screen.
package javax.microedition.lcdui;

import java.util.HashMap;
import java.util.Map;

public abstract class Canvas extends Displayable {
    public static final int UP = 1, DOWN = 6, LEFT = 2, RIGHT = 5, FIRE = 8;
    public static final int GAME_A = 9, GAME_B = 10, GAME_C = 11, GAME_D = 12;

    // A phone's key map: arrows and the joystick press, and digits that double as game keys.
    public static final Map<Integer, Integer> gameActions = new HashMap<>();
    static {
        gameActions.put(-1, UP);
        gameActions.put(-2, DOWN);
        gameActions.put(-3, LEFT);
        gameActions.put(-4, RIGHT);
        gameActions.put(-5, FIRE);
        gameActions.put(50, UP);
        gameActions.put(56, DOWN);
        gameActions.put(52, LEFT);
        gameActions.put(54, RIGHT);
        gameActions.put(53, FIRE);
        gameActions.put(-20, GAME_A);
    }
    public static Graphics screen;
    // Runtimes that paint at once in serviceRepaints() and once more for the repaint() still
    // queued, when the key handler has returned.
    public static boolean paintsTwice;
    // Phones whose getGameAction throws for a key that has no game action (soft keys).
    public static boolean actionThrows;
    private boolean pending;

    protected Canvas() {}
    public int getGameAction(int keyCode) {
        if (actionThrows && !gameActions.containsKey(keyCode)) {
            throw new IllegalArgumentException("no game action for " + keyCode);
        }
        return gameActions.getOrDefault(keyCode, 0);
    }
    protected void keyPressed(int keyCode) {}
    public final void repaint() { pending = true; }
    public final void serviceRepaints() {
        if (pending) {
            pending = paintsTwice;
            paint(screen);
        }
    }
    // The event loop after a key handler: a repaint still queued is painted now.
    public final void eventsDone() {
        if (pending) {
            pending = false;
            paint(screen);
        }
    }
    // A paint that no key asked for: after a call, a key-lock notice, a system dialog.
    public final void systemRepaint() { paint(screen); }
    protected abstract void paint(Graphics g);
}
