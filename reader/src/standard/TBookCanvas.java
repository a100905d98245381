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

    public void keyPressed(int keyCode) {
        fMidlet.keyPressed(keyCode, getGameAction(keyCode));
    }

    // MIDP 1.0 has no way to switch the backlight.
    public void light(boolean on) {
    }
}
