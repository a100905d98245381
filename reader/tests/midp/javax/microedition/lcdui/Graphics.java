// Graphics.java - desktop test implementation painting into an RGB pixel array.
package javax.microedition.lcdui;

import java.util.ArrayList;
import java.util.List;

public class Graphics {
    public static final int HCENTER = 1, VCENTER = 2, LEFT = 4, RIGHT = 8, TOP = 16, BOTTOM = 32, BASELINE = 64;

    public static final class Text {
        public final String text;
        public final int x, y, anchor, color;
        Text(String text, int x, int y, int anchor, int color) {
            this.text = text; this.x = x; this.y = y; this.anchor = anchor; this.color = color;
        }
    }

    public final int width, height, clipHeight;
    public final int[] pixels;
    public final List<Text> texts = new ArrayList<>();
    public int fillRects;
    public int outside;  // pixels drawn below or right of the canvas
    public Font font;
    int color;

    public Graphics(int width, int height, int clipHeight) {
        this.width = width;
        this.height = height;
        this.clipHeight = clipHeight;
        pixels = new int[width * height];
        java.util.Arrays.fill(pixels, 0x123456);  // neither white nor any colour the reader uses
    }

    public int pixel(int x, int y) { return pixels[y * width + x]; }
    public int getClipWidth() { return width; }
    public int getClipHeight() { return clipHeight; }
    public void setColor(int r, int g, int b) { color = (r << 16) | (g << 8) | b; }
    public void setFont(Font f) { font = f; }

    void plot(int x, int y) {
        if (x >= 0 && y >= 0 && x < width && y < height) {
            pixels[y * width + x] = color;
        } else {
            outside++;
        }
    }

    public void fillRect(int x, int y, int w, int h) {
        fillRects++;
        for (int j = y; j < y + h; j++) {
            for (int i = x; i < x + w; i++) {
                plot(i, j);
            }
        }
    }

    // MIDP outlines cover width + 1 by height + 1 pixels.
    public void drawRect(int x, int y, int w, int h) {
        drawLine(x, y, x + w, y);
        drawLine(x, y + h, x + w, y + h);
        drawLine(x, y, x, y + h);
        drawLine(x + w, y, x + w, y + h);
    }

    public void drawLine(int x1, int y1, int x2, int y2) {
        if (x1 != x2 && y1 != y2) {
            throw new UnsupportedOperationException("only straight lines");
        }
        for (int j = Math.min(y1, y2); j <= Math.max(y1, y2); j++) {
            for (int i = Math.min(x1, x2); i <= Math.max(x1, x2); i++) {
                plot(i, j);
            }
        }
    }

    public void drawString(String s, int x, int y, int anchor) {
        texts.add(new Text(s, x, y, anchor, color));
    }
}
