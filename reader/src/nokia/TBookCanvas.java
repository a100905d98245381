// TBookCanvas.java - the full-screen canvas for Nokia phones, with backlight control.

import com.nokia.mid.ui.DeviceControl;
import com.nokia.mid.ui.FullCanvas;
import javax.microedition.lcdui.Graphics;

public class TBookCanvas extends FullCanvas {
    TBookMIDlet fMidlet;

    public TBookCanvas(TBookMIDlet midlet) {
        fMidlet = midlet;
        // Some phones give a full-screen canvas the clip of a screen under a soft-key bar,
        // 144 rows; the reader then lays out for the canvas's 208.
        TBookMIDlet.fClipped = 64;
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


    public void light(boolean on) {
        DeviceControl.setLights(0, on ? 100 : 0);
    }
}
