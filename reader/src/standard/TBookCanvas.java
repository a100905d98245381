// TBookCanvas.java - the standard canvas: passes paint and keys to the reader.

import javax.microedition.lcdui.Canvas;
import javax.microedition.lcdui.Graphics;

public class TBookCanvas extends Canvas {
    TBookMIDlet fMidlet;

    public TBookCanvas(TBookMIDlet midlet) {
        fMidlet = midlet;
    }

    protected void paint(Graphics g) {
        fMidlet.paint(g);
    }

    // Some phones throw for a key without a game action (soft keys); it goes on as a plain key.
    public void keyPressed(int keyCode) {
        int action = 0;
        try {
            action = getGameAction(keyCode);
        } catch (Exception e) {
        }
        fMidlet.keyPressed(keyCode, action);
    }


    // MIDP 1.0 has no way to switch the backlight.
    public void light(boolean on) {
    }
}
